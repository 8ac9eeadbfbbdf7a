#pragma once
// What one echo request came to: the answer, if any, and how long it took.

#include <cstdint>
#include <optional>

#include "platform/icmp/icmp_packet.h"

namespace platform::icmp {

struct EchoOutcome {
    std::int32_t status = 0;               // ip_status code: of the answer, or why there is none
    std::optional<packet::Answer> answer;  // its echoed data lives in the reader's buffer
    std::uint32_t roundTripMs = 0;
};

}  // namespace platform::icmp
