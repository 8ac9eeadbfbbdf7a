#pragma once
// The network browser of a Linux desktop: runs every discoverer at once,
// merges what they find and hands the list out in one call.

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "platform/discovery/discoverer.h"
#include "platform/server_browser.h"

class QThread;

namespace platform {

class LanServerBrowser final : public ServerBrowser {
public:
    // Makes the discoverers of one enumeration; called on the discovery thread.
    using DiscovererFactory = std::function<std::vector<std::unique_ptr<discovery::Discoverer>>()>;

    // Discovery ends after `timeLimit` at the latest.
    explicit LanServerBrowser(DiscovererFactory factory, std::chrono::milliseconds timeLimit =
                                                             std::chrono::milliseconds(1900));
    // Ends a discovery still running and waits for its thread.
    ~LanServerBrowser() override;

    // Every call runs a fresh discovery and returns all it found: entries read
    // equal total entries, status 0 (also when nothing was found), or
    // NoBrowserServers when no discovery method can run here, or when the
    // previous discovery has still not ended.
    ServerEnumResult NetServerEnum(std::uint32_t& resumeHandle) override;

private:
    DiscovererFactory factory_;
    std::chrono::milliseconds timeLimit_;
    // The thread of the last discovery, while it may still run: at most one
    // at a time, however often the user clicks.
    std::unique_ptr<QThread> worker_;
};

// DNS-SD (Avahi), WS-Discovery, the NetBIOS browse list and the domain's
// directory, for the computer's primary workgroup or domain.
std::unique_ptr<ServerBrowser> makeLanServerBrowser();

}  // namespace platform
