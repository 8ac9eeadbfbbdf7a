#pragma once
// The network browser of a module loaded on the first enumeration, so that a
// window that never searches never loads the discovery libraries.

#include <memory>
#include <string>

#include "platform/server_browser.h"

// What the module exports: a new browser, which the caller owns.
extern "C" platform::ServerBrowser* tarsinoMakeLanServerBrowser();

namespace platform {

class LoadedServerBrowser final : public ServerBrowser {
public:
    // `modulePath`: the module's own absolute path, nothing looked up.
    explicit LoadedServerBrowser(std::string modulePath);
    ~LoadedServerBrowser() override;

    // The module's browser's answer; NoBrowserServers, and nothing read, when
    // the module cannot be loaded (said once on standard error).
    ServerEnumResult NetServerEnum(std::uint32_t& resumeHandle) override;

private:
    std::string modulePath_;
    bool loadTried_ = false;
    std::unique_ptr<ServerBrowser> browser_;
};

// The installed (or built) discovery module beside the helper programs.
std::string discoveryModulePath();

}  // namespace platform
