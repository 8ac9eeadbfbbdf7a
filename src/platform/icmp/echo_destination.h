#pragma once
// Which addresses an echo request may go to, checked alike by tarsino and by
// its ICMP helper, which trusts no request it reads.

#include <cstdint>

namespace platform::icmp {

// Whether an address (network byte order) names one host to echo: 0.0.0.0
// would reach this host under another name and all-ones is a broadcast.
constexpr bool isEchoDestination(std::uint32_t destination) {
    return destination != 0 && destination != 0xffffffff;
}

}  // namespace platform::icmp
