#pragma once
// One set of fakes for every outside service the window reaches.

#include "fake_environment.h"
#include "fake_name_resolver.h"
#include "fake_sockets.h"
#include "fake_toolkit.h"
#include "platform/icmp_api.h"
#include "platform/server_browser.h"
#include "shell/services.h"

namespace testing_support {

// An echo facility with no sockets, for windows whose test does not ping.
class NoIcmp final : public platform::IcmpApi {
public:
    platform::IcmpHandle IcmpCreateFile() override { return 0; }
    std::uint32_t IcmpSendEcho(platform::IcmpHandle, std::uint32_t, const void*, std::uint16_t,
                               const platform::icmp::EchoOptions*, void*, std::uint32_t,
                               std::uint32_t) override {
        return 0;
    }
    bool IcmpCloseHandle(platform::IcmpHandle) override { return false; }
};

class EmptyBrowser final : public platform::ServerBrowser {
public:
    platform::ServerEnumResult NetServerEnum(std::uint32_t&) override { return {}; }
};

struct FakeServices {
    FakeSockets sockets;
    NoIcmp noIcmp;
    EmptyBrowser emptyBrowser;
    FakeNameResolver resolver;
    FakeEnvironment environment;
    FakeToolkit toolkit;
    platform::IcmpApi* icmp = &noIcmp;
    platform::ServerBrowser* browser = &emptyBrowser;

    FakeServices() { sockets.addHost("pc12", {{10, 0, 0, 7}}); }
    shell::Services services() {
        return {sockets, *icmp, *browser, resolver, environment, toolkit};
    }
};

}  // namespace testing_support
