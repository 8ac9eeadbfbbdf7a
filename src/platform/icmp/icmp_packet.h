#pragma once
// Building ICMP echo requests and recognising the answers to one of them.
// Pure functions over bytes: every received packet is untrusted, so each
// reader checks the length before it looks at the next header, and anything
// that is not an answer to the given request is refused.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::icmp::packet {

constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::size_t MinIpHeaderSize = 20;

// What identifies one echo request we sent.
struct Probe {
    std::uint32_t destination = 0;            // network byte order
    std::optional<std::uint16_t> identifier;  // absent where the kernel owns it (datagram sockets)
    std::uint16_t sequence = 0;
    std::span<const std::uint8_t> payload;
};

// An answer to a probe: an echo reply from the destination, or an error
// report about the probe from a node on the way.
struct Answer {
    std::int32_t status = 0;      // a code of platform::icmp::ip_status
    std::uint32_t from = 0;       // network byte order: the replying host or the reporting router
    std::uint8_t timeToLive = 0;  // of the answer, where known
    std::uint8_t typeOfService = 0;            // of the answer, where known
    std::span<const std::uint8_t> echoedData;  // inside the parsed buffer; empty for error reports
};

// The one's-complement sum of RFC 1071 over `bytes`.
std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes);

// Writes an echo request (header with checksum, then payload) into `packet`.
void buildEchoRequest(std::vector<std::uint8_t>& packet, std::uint16_t identifier,
                      std::uint16_t sequence, std::span<const std::uint8_t> payload);

// The status code for an ICMP error report, or nothing for a message that
// does not end an echo (redirects, queries, unknown types).
std::optional<std::int32_t> statusForReport(std::uint8_t type, std::uint8_t code);

// A packet read from a raw ICMP socket: IPv4 header, then the ICMP message.
std::optional<Answer> matchRawPacket(std::span<const std::uint8_t> packet, const Probe& probe);

// A message read from an ICMP datagram socket: the ICMP message alone; its
// sender comes from the socket address of the read.
std::optional<Answer> matchDatagramReply(std::span<const std::uint8_t> message,
                                         std::uint32_t source, const Probe& probe);

// An entry of a datagram socket's error queue: the report's type and code,
// the reporting router, the original destination and the quoted ICMP message
// (our request's header and as much of its payload as the router returned).
std::optional<Answer> matchDatagramReport(std::uint8_t type, std::uint8_t code,
                                          std::uint32_t offender, std::uint32_t quotedDestination,
                                          std::span<const std::uint8_t> quotedMessage,
                                          const Probe& probe);

}  // namespace platform::icmp::packet
