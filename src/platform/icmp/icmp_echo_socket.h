#pragma once
// One ICMP socket that sends echo requests and waits for the answer to each,
// kept open across many echoes so that a probe costs one send and one or two
// reads. Either kind of socket the kernel offers for ICMP:
// - datagram (SOCK_DGRAM, IPPROTO_ICMP): unprivileged where
//   net.ipv4.ping_group_range admits the user; the kernel owns the echo
//   identifier and delivers only our replies, error reports arrive on the
//   error queue (IP_RECVERR);
// - raw (SOCK_RAW, IPPROTO_ICMP): needs root or cap_net_raw; sees every ICMP
//   message of the namespace, so answers are matched by our own identifier.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/icmp/icmp_echo_outcome.h"
#include "platform/icmp/icmp_packet.h"

namespace platform::icmp {

enum class IcmpSocketKind { Datagram, Raw };

class IcmpEchoSocket {
public:
    // A socket of the given kind, or null when the kernel refuses it.
    static std::unique_ptr<IcmpEchoSocket> open(IcmpSocketKind kind);
    ~IcmpEchoSocket();
    IcmpEchoSocket(const IcmpEchoSocket&) = delete;
    IcmpEchoSocket& operator=(const IcmpEchoSocket&) = delete;

    IcmpSocketKind kind() const { return kind_; }

    // Its echoed data lives until the next echo.
    using Outcome = EchoOutcome;

    // Sends one echo request and waits until its answer comes or the time-out
    // passes. `timeToLive` 0 means the system's default.
    Outcome echo(std::uint32_t destination, std::span<const std::uint8_t> payload,
                 std::uint8_t timeToLive, std::chrono::milliseconds timeout);

private:
    IcmpEchoSocket(int fd, IcmpSocketKind kind, std::uint32_t randomBits);
    bool applyTimeToLive(std::uint8_t timeToLive);
    int sendRequest(std::uint32_t destination);
    std::optional<packet::Answer> readQueue(const packet::Probe& probe);
    std::optional<packet::Answer> readErrorQueue(const packet::Probe& probe);

    int fd_;
    IcmpSocketKind kind_;
    std::uint16_t identifier_;
    std::uint16_t sequence_;
    std::uint8_t currentTimeToLive_ = 0;  // 0: the system's default is in force
    std::vector<std::uint8_t> request_;
    std::unique_ptr<std::uint8_t[]> received_;  // not zeroed: only what a read wrote is looked at
};

}  // namespace platform::icmp
