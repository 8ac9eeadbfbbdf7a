// A stand-in discovery module: one server, and no network touched.

#include "platform/loaded_server_browser.h"

namespace {

class OneServer : public platform::ServerBrowser {
public:
    platform::ServerEnumResult NetServerEnum(std::uint32_t& resumeHandle) override {
        platform::ServerEnumResult result;
        result.servers.push_back({u"MODULEPC", "10.9.8.7"});
        result.entriesRead = result.totalEntries = 1;
        resumeHandle = ++calls_;
        return result;
    }

private:
    std::uint32_t calls_ = 0;
};

}  // namespace

extern "C" platform::ServerBrowser* tarsinoMakeLanServerBrowser() {
    return new OneServer;
}
