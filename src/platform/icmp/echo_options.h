#pragma once
// The option block of an echo request, copied back into the reply area.

#include <array>
#include <cstdint>

namespace platform::icmp {

// Request options: byte 0 is the time to live; the rest stays zero so that
// no type of service, flags or IP options ever leave with a request.
struct EchoOptions {
    std::array<std::uint8_t, 12> bytes{};
    std::uint8_t timeToLive() const { return bytes[0]; }
    void setTimeToLive(std::uint8_t ttl) { bytes[0] = ttl; }
};

}  // namespace platform::icmp
