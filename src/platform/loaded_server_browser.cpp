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
        void* module = modulePath_.starts_with('/')
                           ? ::dlopen(modulePath_.c_str(), RTLD_NOW | RTLD_LOCAL)
                           : nullptr;
        const auto make = module ? reinterpret_cast<decltype(&tarsinoMakeLanServerBrowser)>(
                                       ::dlsym(module, "tarsinoMakeLanServerBrowser"))
                                 : nullptr;
        if (make) browser_.reset(make());
        if (!browser_) {
            const char* why = module ? "no browser in it" : ::dlerror();
            std::fprintf(stderr, "tarsino: cannot load the discovery module %s: %s\n",
                         modulePath_.c_str(), why ? why : "not an absolute path");
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
