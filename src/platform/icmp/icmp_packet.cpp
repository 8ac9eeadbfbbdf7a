#include "platform/icmp/icmp_packet.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"
#include "platform/icmp/ip_status.h"

namespace platform::icmp::packet {

namespace {

constexpr std::uint8_t EchoReplyType = 0;
constexpr std::uint8_t DestinationUnreachableType = 3;
constexpr std::uint8_t SourceQuenchType = 4;
constexpr std::uint8_t EchoRequestType = 8;
constexpr std::uint8_t TimeExceededType = 11;
constexpr std::uint8_t ParameterProblemType = 12;
constexpr std::uint8_t IcmpProtocol = 1;

std::uint32_t rawAddress(const std::uint8_t* at) {
    std::uint32_t address;
    std::memcpy(&address, at, sizeof address);
    return address;
}

// The IPv4 header at the start of `bytes`: its length, when it is a sane
// IPv4 header that fits.
std::optional<std::size_t> ipHeaderLength(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < MinIpHeaderSize) return std::nullopt;
    if ((bytes[0] >> 4) != 4) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(bytes[0] & 0x0f) * 4;
    if (length < MinIpHeaderSize || length > bytes.size()) return std::nullopt;
    return length;
}

bool isOurEcho(const std::uint8_t* icmp, const Probe& probe) {
    if (probe.identifier && byte_order::loadBig16(icmp + 4) != *probe.identifier) return false;
    return byte_order::loadBig16(icmp + 6) == probe.sequence;
}

// An echo reply (header and data, no IP header) that carries exactly our
// identifier, sequence number and payload.
std::optional<Answer> matchEchoReply(std::span<const std::uint8_t> message, std::uint32_t source,
                                     const Probe& probe) {
    if (message.size() < IcmpHeaderSize || message[0] != EchoReplyType) return std::nullopt;
    if (source != probe.destination || !isOurEcho(message.data(), probe)) return std::nullopt;
    const auto data = message.subspan(IcmpHeaderSize);
    if (!std::ranges::equal(data, probe.payload)) return std::nullopt;
    Answer answer;
    answer.status = ip_status::Success;
    answer.from = source;
    answer.echoedData = data;
    return answer;
}

// The quoted ICMP message of an error report: our echo request's header and
// a prefix of its payload, as long as the reporter chose to return.
bool quotesOurRequest(std::span<const std::uint8_t> quoted, const Probe& probe) {
    if (quoted.size() < IcmpHeaderSize || quoted[0] != EchoRequestType) return false;
    if (!isOurEcho(quoted.data(), probe)) return false;
    const auto data = quoted.subspan(IcmpHeaderSize);
    const std::size_t compared = std::min(data.size(), probe.payload.size());
    return std::ranges::equal(data.first(compared), probe.payload.first(compared));
}

}  // namespace

std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) sum += byte_order::loadBig16(&bytes[i]);
    if (i < bytes.size()) sum += static_cast<std::uint32_t>(bytes[i]) << 8;
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

void buildEchoRequest(std::vector<std::uint8_t>& packet, std::uint16_t identifier,
                      std::uint16_t sequence, std::span<const std::uint8_t> payload) {
    packet.assign(IcmpHeaderSize, 0);
    packet[0] = EchoRequestType;
    byte_order::storeBig16(&packet[4], identifier);
    byte_order::storeBig16(&packet[6], sequence);
    packet.insert(packet.end(), payload.begin(), payload.end());
    const std::uint16_t checksum = internetChecksum(packet);
    byte_order::storeBig16(&packet[2], checksum);
}

std::optional<std::int32_t> statusForReport(std::uint8_t type, std::uint8_t code) {
    switch (type) {
        case DestinationUnreachableType:
            switch (code) {
                case 0:   // network
                case 6:   // network unknown
                case 9:   // network administratively prohibited
                case 11:  // network unreachable for the type of service
                    return ip_status::DestNetUnreachable;
                case 2:
                    return ip_status::DestProtUnreachable;
                case 3:
                    return ip_status::DestPortUnreachable;
                case 4:
                    return ip_status::PacketTooBig;  // fragmentation needed and DF set
                case 5:
                    return ip_status::BadRoute;  // source route failed
                default:
                    return ip_status::DestHostUnreachable;
            }
        case TimeExceededType:
            return code == 1 ? ip_status::TtlExpiredReassem : ip_status::TtlExpiredTransit;
        case ParameterProblemType:
            return ip_status::ParamProblem;
        case SourceQuenchType:
            return ip_status::SourceQuench;
        default:
            return std::nullopt;
    }
}

std::optional<Answer> matchRawPacket(std::span<const std::uint8_t> packet, const Probe& probe) {
    const auto headerLength = ipHeaderLength(packet);
    if (!headerLength || packet[9] != IcmpProtocol) return std::nullopt;
    const std::size_t totalLength = byte_order::loadBig16(&packet[2]);
    if (totalLength < *headerLength + IcmpHeaderSize || totalLength > packet.size())
        return std::nullopt;
    // A raw socket sees packets before the kernel checks the ICMP checksum.
    const auto message = packet.subspan(*headerLength, totalLength - *headerLength);
    if (internetChecksum(message) != 0) return std::nullopt;
    const std::uint32_t source = rawAddress(&packet[12]);

    std::optional<Answer> answer;
    if (message[0] == EchoReplyType) {
        answer = matchEchoReply(message, source, probe);
    } else if (const auto status = statusForReport(message[0], message[1])) {
        const auto quoted = message.subspan(IcmpHeaderSize);
        const auto quotedHeaderLength = ipHeaderLength(quoted);
        if (!quotedHeaderLength || quoted[9] != IcmpProtocol) return std::nullopt;
        if (rawAddress(&quoted[16]) != probe.destination) return std::nullopt;
        if (!quotesOurRequest(quoted.subspan(*quotedHeaderLength), probe)) return std::nullopt;
        answer = Answer{};
        answer->status = *status;
        answer->from = source;
    }
    if (answer) {
        answer->typeOfService = packet[1];
        answer->timeToLive = packet[8];
    }
    return answer;
}

std::optional<Answer> matchDatagramReply(std::span<const std::uint8_t> message,
                                         std::uint32_t source, const Probe& probe) {
    return matchEchoReply(message, source, probe);
}

std::optional<Answer> matchDatagramReport(std::uint8_t type, std::uint8_t code,
                                          std::uint32_t offender, std::uint32_t quotedDestination,
                                          std::span<const std::uint8_t> quotedMessage,
                                          const Probe& probe) {
    const auto status = statusForReport(type, code);
    if (!status || quotedDestination != probe.destination) return std::nullopt;
    if (!quotesOurRequest(quotedMessage, probe)) return std::nullopt;
    Answer answer;
    answer.status = *status;
    answer.from = offender;
    return answer;
}

}  // namespace platform::icmp::packet
