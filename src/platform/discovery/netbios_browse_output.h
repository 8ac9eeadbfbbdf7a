#pragma once
// Reading what tarsino-netbios-browse prints: the server names of the browse
// list, one per line. The helper is ours, but the names are whatever the
// workgroup's master browser said, so each one is checked like any other
// input from the network.

#include <QByteArray>
#include <QStringList>

namespace platform::discovery::netbios {

// Far more than a workgroup's browse list holds.
constexpr qsizetype MaxBrowseOutputBytes = 64 * 1024;
constexpr int MaxBrowsedServers = 1000;

// The plausible names of a complete output, at most MaxBrowsedServers of
// them; nothing for an output larger than MaxBrowseOutputBytes or cut off
// inside a line.
QStringList parseBrowseOutput(const QByteArray& output);

}  // namespace platform::discovery::netbios
