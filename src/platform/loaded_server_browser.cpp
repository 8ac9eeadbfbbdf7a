#include "platform/loaded_server_browser.h"

#include <dlfcn.h>

#include <cstdio>
#include <utility>

#include "platform/process/helper_program.h"

namespace platform {

LoadedServerBrowser::LoadedServerBrowser(std::string modulePath)
    : modulePath_(std::move(modulePath)) {}

// The module stays loaded: its browser's threads and Qt's record of its types
// may outlive the browser itself.
LoadedServerBrowser::~LoadedServerBrowser() = default;

ServerEnumResult LoadedServerBrowser::NetServerEnum(std::uint32_t& resumeHandle) {
    if (!loadTried_) {
        loadTried_ = true;
        // Only an absolute path: a bare name would be searched for along
        // LD_LIBRARY_PATH, which the environment chooses.
        // The reason is read right after the call that failed: dlerror()
        // otherwise still holds whatever an earlier, unrelated load left.
        const char* why = "not an absolute path";
        if (modulePath_.starts_with('/')) {
            if (void* module = ::dlopen(modulePath_.c_str(), RTLD_NOW | RTLD_LOCAL); !module) {
                why = ::dlerror();
            } else if (const auto make = reinterpret_cast<decltype(&tarsinoMakeLanServerBrowser)>(
                           ::dlsym(module, "tarsinoMakeLanServerBrowser"));
                       !make) {
                why = ::dlerror();
            } else {
                browser_.reset(make());
                why = "no browser in it";
            }
        }
        if (!browser_) {
            std::fprintf(stderr, "tarsino: cannot load the discovery module %s: %s\n",
                         modulePath_.c_str(), why ? why : "unknown loader error");
        }
    }
    if (!browser_) {
        ServerEnumResult result;
        result.status = browser_status::NoBrowserServers;
        return result;
    }
    return browser_->NetServerEnum(resumeHandle);
}

std::string discoveryModulePath() {
    return process::helperProgramPath("tarsino-discovery.so");
}

}  // namespace platform
