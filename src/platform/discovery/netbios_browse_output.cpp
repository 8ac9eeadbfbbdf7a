#include "platform/discovery/netbios_browse_output.h"

namespace platform::discovery::netbios {

namespace {

bool plausibleName(const QString& name) {
    if (name.isEmpty() || name.size() > 64) return false;
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::ReplacementCharacter)
            return false;
    return true;
}

}  // namespace

QStringList parseBrowseOutput(const QByteArray& output) {
    QStringList names;
    if (output.size() > MaxBrowseOutputBytes || (!output.isEmpty() && !output.endsWith('\n')))
        return names;
    for (const QByteArray& line : output.split('\n')) {
        const QString name = QString::fromUtf8(line);
        if (!plausibleName(name)) continue;
        names << name;
        if (names.size() == MaxBrowsedServers) break;
    }
    return names;
}

}  // namespace platform::discovery::netbios
