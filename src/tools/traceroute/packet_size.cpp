#include "tools/traceroute/packet_size.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace traceroute {

std::optional<double> numberValue(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (!number.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString normalisedPacketSizeText(const QString& text) {
    const auto value = numberValue(text);
    if (!value || *value < 32) return QStringLiteral("32");
    if (*value > 128) return QStringLiteral("128");
    return text;
}

std::int32_t packetSize(const QString& normalisedText) {
    // nearbyint rounds to nearest with ties to even in the default mode.
    return static_cast<std::int32_t>(std::nearbyint(numberValue(normalisedText).value_or(32)));
}

}  // namespace traceroute
