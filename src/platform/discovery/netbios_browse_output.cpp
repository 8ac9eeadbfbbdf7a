#include "platform/discovery/netbios_browse_output.h"

#include "platform/discovery/listable_name.h"

namespace platform::discovery::netbios {

namespace {

// The list is the helper's, but its names are whatever the master browser
// said; NetBIOS names are 15 characters, and this leaves room to spare.
constexpr qsizetype MaxServerNameLength = 64;

}  // namespace

QStringList parseBrowseOutput(const QByteArray& output) {
    QStringList names;
    if (output.size() > MaxBrowseOutputBytes || (!output.isEmpty() && !output.endsWith('\n')))
        return names;
    for (const QByteArray& line : output.split('\n')) {
        const QString name = QString::fromUtf8(line);
        if (!isListableName(name, MaxServerNameLength)) continue;
        names << name;
        if (names.size() == MaxBrowsedServers) break;
    }
    return names;
}

}  // namespace platform::discovery::netbios
