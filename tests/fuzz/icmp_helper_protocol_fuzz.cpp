// Feeds arbitrary bytes to the readers of the ICMP helper's messages. Input:
// a selector byte, then for answers the size of the payload the request sent
// (16 bits), then the frame. Besides the sanitizers' checks: whatever a reader
// accepts must be written back byte for byte the same (nothing is accepted
// loosely), and must keep to the bounds.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/icmp/icmp_helper_protocol.h"
#include "platform/icmp/ip_status.h"

namespace protocol = platform::icmp::helper;

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool inside(std::span<const std::uint8_t> part, std::span<const std::uint8_t> whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

void request(std::span<const std::uint8_t> frame) {
    const auto parsed = protocol::parseRequest(frame);
    if (!parsed) return;
    check(parsed->destination != 0 && parsed->destination != 0xffffffff);
    check(parsed->timeout <= protocol::MaxTimeout &&
          parsed->payload.size() <= protocol::MaxPayloadSize);
    check(inside(parsed->payload, frame));
    std::vector<std::uint8_t> again;
    protocol::encodeRequest(again, *parsed);
    check(std::ranges::equal(again, frame));
}

void answer(std::span<const std::uint8_t> frame, std::size_t sent) {
    const auto parsed = protocol::parseAnswer(frame, sent);
    if (!parsed) return;
    if (parsed->answer) {
        const auto& data = parsed->answer->echoedData;
        check(inside(data, frame));
        check(data.size() == (parsed->status == platform::icmp::ip_status::Success ? sent : 0));
    } else {
        check(parsed->status != platform::icmp::ip_status::Success);
    }
    std::vector<std::uint8_t> again;
    protocol::encodeAnswer(again, *parsed);
    check(std::ranges::equal(again, frame));
}

void ready(std::span<const std::uint8_t> frame) {
    if (const auto socketOpen = protocol::parseReady(frame))
        check(std::ranges::equal(protocol::encodeReady(*socketOpen), frame));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 1) return 0;
    // An exactly sized copy, so that any read past the end is caught.
    switch (input[0] % 3) {
        case 0:
            request(std::vector<std::uint8_t>(input + 1, input + size));
            break;
        case 1:
            if (size >= 3)
                answer(std::vector<std::uint8_t>(input + 3, input + size),
                       std::size_t((input[1] << 8) | input[2]));
            break;
        default:
            ready(std::vector<std::uint8_t>(input + 1, input + size));
    }
    return 0;
}
