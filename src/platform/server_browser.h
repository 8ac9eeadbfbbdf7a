#pragma once
// The network browser: the servers of the computer's primary workgroup or
// domain, delivered in calls that say how many entries they read and how many
// there are in all.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

namespace browser_status {
constexpr std::uint32_t Success = 0;
constexpr std::uint32_t MoreData = 234;           // ERROR_MORE_DATA
constexpr std::uint32_t NoBrowserServers = 6118;  // ERROR_NO_BROWSER_SERVERS_FOUND
}  // namespace browser_status

struct ServerInfo {
    std::u16string name;      // as the browser reports it
    std::string seenAddress;  // dotted IPv4 text seen by discovery, or empty
};

struct ServerEnumResult {
    std::uint32_t status = browser_status::Success;
    std::uint32_t entriesRead = 0;
    std::uint32_t totalEntries = 0;
    std::vector<ServerInfo> servers;  // entriesRead of them, in the browser's order
};

class ServerBrowser {
public:
    virtual ~ServerBrowser() = default;
    // One call of the enumeration; `resumeHandle` carries progress between
    // calls. Blocks the caller, but never much longer than about 2 seconds.
    virtual ServerEnumResult NetServerEnum(std::uint32_t& resumeHandle) = 0;
};

}  // namespace platform
