// Feeds arbitrary bytes, as a DNS server's answer to the SRV query for the
// domain's controllers, to the reader that orders them. Every controller it
// returns must be a plain DNS name with a port, each at most once, and never
// more than the bound.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz_input.h"
#include "platform/discovery/computer_domain.h"
#include "platform/discovery/domain_controllers.h"

namespace discovery = platform::discovery;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte steers the weighted draw; the rest is the message,
    // copied so that a read past its end is caught.
    const std::uint8_t steer = data[0];
    const auto message = std::make_unique<unsigned char[]>(size - 1);
    if (size > 1) std::memcpy(message.get(), data + 1, size - 1);
    const auto controllers = discovery::domainControllersFromAnswer(
        message.get(), int(size - 1),
        [steer](std::uint32_t upTo) { return upTo == 0 ? 0 : steer % (upTo + 1); });
    FUZZ_EXPECT(controllers.size() <= discovery::MaxDomainControllers);
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        FUZZ_EXPECT(discovery::isDomainName(controllers[i].host) && controllers[i].port != 0);
        for (std::size_t j = 0; j < i; ++j) FUZZ_EXPECT(!(controllers[i] == controllers[j]));
    }
    return 0;
}
