// Feeds arbitrary bytes to the packet module as received packets in both
// framings. Input: a selector byte, the probe (destination, identifier,
// sequence, payload length and payload), then the packet. Besides the
// sanitizers' checks, an answer must point inside the packet and an echo
// reply must carry exactly the probe's payload.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/icmp/icmp_packet.h"
#include "platform/icmp/ip_status.h"

namespace icmp = platform::icmp::packet;

namespace {

// Lets the fuzzer past the checksum test of raw packets now and then.
void fixChecksum(std::vector<std::uint8_t>& packet) {
    if (packet.size() < icmp::MinIpHeaderSize) return;
    const std::size_t headerLength = std::size_t(packet[0] & 0x0f) * 4;
    if (headerLength + icmp::IcmpHeaderSize > packet.size()) return;
    packet[headerLength + 2] = packet[headerLength + 3] = 0;
    const std::size_t end =
        std::min<std::size_t>(packet.size(), (std::size_t(packet[2]) << 8) | packet[3]);
    if (end < headerLength + icmp::IcmpHeaderSize) return;
    const std::uint16_t sum =
        icmp::internetChecksum(std::span(packet).subspan(headerLength, end - headerLength));
    packet[headerLength + 2] = std::uint8_t(sum >> 8);
    packet[headerLength + 3] = std::uint8_t(sum);
}

void check(const std::optional<icmp::Answer>& answer, std::span<const std::uint8_t> packet,
           const icmp::Probe& probe) {
    if (!answer) return;
    const auto& data = answer->echoedData;
    if (!data.empty() &&
        (data.data() < packet.data() || data.data() + data.size() > packet.data() + packet.size()))
        __builtin_trap();
    if (answer->status == platform::icmp::ip_status::Success &&
        !std::ranges::equal(data, probe.payload))
        __builtin_trap();
    if (answer->status != platform::icmp::ip_status::Success && !data.empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    constexpr std::size_t ProbeSize = 1 + 4 + 2 + 2 + 1;
    if (size < ProbeSize) return 0;
    const std::uint8_t selector = input[0];
    icmp::Probe probe;
    std::memcpy(&probe.destination, input + 1, 4);
    if (selector & 0x10) probe.identifier = std::uint16_t((input[5] << 8) | input[6]);
    probe.sequence = std::uint16_t((input[7] << 8) | input[8]);
    const std::size_t payloadSize = std::min<std::size_t>(input[9], size - ProbeSize);
    const std::vector<std::uint8_t> payload(input + ProbeSize, input + ProbeSize + payloadSize);
    probe.payload = payload;
    // An exactly sized copy, so that any read past the end is caught.
    std::vector<std::uint8_t> packet(input + ProbeSize + payloadSize, input + size);
    if (selector & 0x20) fixChecksum(packet);
    const std::span<const std::uint8_t> bytes(packet);

    switch (selector % 3) {
        case 0:
            check(icmp::matchRawPacket(bytes, probe), bytes, probe);
            break;
        case 1:
            check(icmp::matchDatagramReply(bytes, probe.destination, probe), bytes, probe);
            break;
        default:
            if (bytes.size() >= 2) {
                const auto quoted = bytes.subspan(2);
                check(icmp::matchDatagramReport(bytes[0], bytes[1], 0, probe.destination, quoted,
                                                probe),
                      quoted, probe);
            }
    }
    return 0;
}
