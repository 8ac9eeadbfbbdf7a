#include "tools/traceroute/hop_line.h"

namespace traceroute {

QString roundTripText(std::int32_t milliseconds) {
    if (milliseconds < 10) return QStringLiteral("<10 ms");
    if (milliseconds > 1200) return QStringLiteral("*");
    return QString::number(milliseconds) + QStringLiteral(" ms");
}

QString HopLine(std::uint8_t ttl, std::int32_t roundTripTime, const QString& hopAddress) {
    return QStringLiteral("Hop #\t") + QString::number(ttl) + QLatin1Char('\t') +
           roundTripText(roundTripTime) + QLatin1Char('\t') + hopAddress + QStringLiteral("\r\n");
}

}  // namespace traceroute
