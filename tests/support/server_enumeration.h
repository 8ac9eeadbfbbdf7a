#pragma once
// A server browser read as the host page reads it: one enumeration from the
// start, and the names it listed.

#include <QString>
#include <QStringList>

#include <cstdint>

#include "platform/server_browser.h"

namespace testing_support {

inline platform::ServerEnumResult enumerateFromStart(platform::ServerBrowser& browser) {
    std::uint32_t resumeHandle = 0;
    return browser.NetServerEnum(resumeHandle);
}

// In the list's order.
inline QStringList names(const platform::ServerEnumResult& result) {
    QStringList list;
    for (const platform::ServerInfo& server : result.servers)
        list << QString::fromStdU16String(server.name);
    return list;
}

}  // namespace testing_support
