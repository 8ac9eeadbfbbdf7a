#include "platform/icmp/icmp_echo_socket.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <linux/filter.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "platform/icmp/ip_status.h"

namespace platform::icmp {

namespace {

using Clock = std::chrono::steady_clock;

// Big enough for any IPv4 packet, so nothing read is ever cut short.
constexpr std::size_t ReceiveBufferSize = 65536;
// Reads between two looks at the clock when a flood keeps the queue full.
constexpr int ReadsPerWake = 64;

std::int32_t statusForSendError(int error) {
    switch (error) {
        case ENETUNREACH:
            return ip_status::DestNetUnreachable;
        case EHOSTUNREACH:
            return ip_status::DestHostUnreachable;
        case EMSGSIZE:
            return ip_status::PacketTooBig;
        case ENOBUFS:
        case ENOMEM:
            return ip_status::NoResources;
        case EACCES:
        case EINVAL:
        case EADDRNOTAVAIL:
            return ip_status::BadDestination;
        default:
            return ip_status::GeneralFailure;
    }
}

// A raw socket's queue would fill with every ICMP answer in the namespace
// (another ping flooding the same host) and drop ours. The kernel keeps only
// echo replies with our identifier and error reports quoting an echo with our
// identifier; reports behind IP options are left to the parser.
bool keepOnlyOurAnswers(int fd, std::uint16_t identifier) {
    constexpr std::uint32_t PlainHeader = 20;
    sock_filter program[] = {
        /* 0 */ BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),  // X = IP header length
        /* 1 */ BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),   // A = ICMP type
        /* 2 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_ECHOREPLY, 0, 2),
        /* 3 */ BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),  // A = identifier
        /* 4 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 5, 6),
        /* 5 */ BPF_STMT(BPF_MISC | BPF_TXA, 0),  // an error report
        /* 6 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PlainHeader, 0, 3),
        /* 7 */ BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, PlainHeader + 8),  // X = quoted header length
        /* 8 */ BPF_STMT(BPF_LD | BPF_H | BPF_IND, PlainHeader + 8 + 4),  // A = quoted identifier
        /* 9 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 0, 1),
        /* 10 */ BPF_STMT(BPF_RET | BPF_K, 0xffffffff),  // keep
        /* 11 */ BPF_STMT(BPF_RET | BPF_K, 0),           // drop
    };
    const sock_fprog filter{static_cast<unsigned short>(std::size(program)), program};
    return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &filter, sizeof filter) == 0;
}

int enable(int fd, int level, int option) {
    const int on = 1;
    return ::setsockopt(fd, level, option, &on, sizeof on);
}

std::uint32_t millisecondsSince(Clock::time_point start) {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// One recvmsg's set-up: the datagram into `buffer` (ReceiveBufferSize
// bytes), its sender's address (for the error queue, the address the quoted
// echo went to) and room for ControlSize bytes of ancillary data. The message
// points into the object itself, so it stays where it was made.
template <std::size_t ControlSize>
struct ReceivedMessage {
    explicit ReceivedMessage(std::uint8_t* buffer) : data{buffer, ReceiveBufferSize} {
        message.msg_name = &address;
        message.msg_namelen = sizeof address;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
    }
    ReceivedMessage(const ReceivedMessage&) = delete;
    ReceivedMessage& operator=(const ReceivedMessage&) = delete;

    sockaddr_in address{};
    iovec data;
    alignas(cmsghdr) std::uint8_t control[ControlSize];
    msghdr message{};
};

}  // namespace

std::unique_ptr<IcmpEchoSocket> IcmpEchoSocket::open(IcmpSocketKind kind) {
    const int type =
        (kind == IcmpSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW) | SOCK_NONBLOCK | SOCK_CLOEXEC;
    const int fd = ::socket(AF_INET, type, IPPROTO_ICMP);
    if (fd < 0) return nullptr;
    bool ready = true;
    if (kind == IcmpSocketKind::Datagram) {
        // Without IP_RECVERR the kernel drops time-exceeded and unreachable
        // reports for datagram sockets; the other two give the answer's
        // time to live and type of service, which raw packets carry inline.
        ready = enable(fd, SOL_IP, IP_RECVERR) == 0 && enable(fd, SOL_IP, IP_RECVTTL) == 0 &&
                enable(fd, SOL_IP, IP_RECVTOS) == 0;
    } else {
        // Only answers can concern us; everything else (other hosts' echo
        // requests, our own on loopback, redirects) is left in the kernel.
        icmp_filter filter{};
        filter.data =
            ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
              (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
        ready = ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) == 0;
    }
    if (!ready) {
        ::close(fd);
        return nullptr;
    }
    // From the kernel directly: std::random_device queries the CPU (cpuid) on
    // every construction, which in a virtual machine costs more than the echo.
    std::uint32_t randomBits = 0;
    if (::getrandom(&randomBits, sizeof randomBits, 0) != sizeof randomBits ||
        (kind == IcmpSocketKind::Raw &&
         !keepOnlyOurAnswers(fd, static_cast<std::uint16_t>(randomBits)))) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<IcmpEchoSocket>(new IcmpEchoSocket(fd, kind, randomBits));
}

// The identifier and the first sequence number are random, so that replies
// to an earlier process's echoes on a reused identifier do not look like ours.
IcmpEchoSocket::IcmpEchoSocket(int fd, IcmpSocketKind kind, std::uint32_t randomBits)
    : fd_(fd),
      kind_(kind),
      identifier_(static_cast<std::uint16_t>(randomBits)),
      sequence_(static_cast<std::uint16_t>(randomBits >> 16)),
      received_(std::make_unique_for_overwrite<std::uint8_t[]>(ReceiveBufferSize)) {}

IcmpEchoSocket::~IcmpEchoSocket() {
    ::close(fd_);
}

bool IcmpEchoSocket::applyTimeToLive(std::uint8_t timeToLive) {
    if (timeToLive == currentTimeToLive_) return true;
    const int value = timeToLive == 0 ? -1 : timeToLive;  // -1 restores the system's default
    if (::setsockopt(fd_, SOL_IP, IP_TTL, &value, sizeof value) != 0) return false;
    currentTimeToLive_ = timeToLive;
    return true;
}

int IcmpEchoSocket::sendRequest(std::uint32_t destination) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;
    const auto send = [&] {
        return ::sendto(fd_, request_.data(), request_.size(), 0,
                        reinterpret_cast<const sockaddr*>(&to), sizeof to);
    };
    if (send() >= 0) return 0;
    // A report about an earlier echo can leave an error pending on the socket,
    // which the next send returns and clears: that is no failure of this one,
    // nor is a signal. Try once more.
    if (errno == EAGAIN || errno == EWOULDBLOCK) return errno;
    return send() >= 0 ? 0 : errno;
}

IcmpEchoSocket::Outcome IcmpEchoSocket::echo(std::uint32_t destination,
                                             std::span<const std::uint8_t> payload,
                                             std::uint8_t timeToLive,
                                             std::chrono::milliseconds timeout) {
    Outcome outcome;
    if (!applyTimeToLive(timeToLive)) {
        outcome.status = ip_status::GeneralFailure;
        return outcome;
    }
    const std::uint16_t sequence = ++sequence_;
    packet::buildEchoRequest(request_, identifier_, sequence, payload);
    packet::Probe probe;
    probe.destination = destination;
    if (kind_ == IcmpSocketKind::Raw) probe.identifier = identifier_;
    probe.sequence = sequence;
    probe.payload = payload;

    const auto start = Clock::now();
    const auto deadline = start + timeout;
    if (const int error = sendRequest(destination); error != 0) {
        outcome.status = statusForSendError(error);
        return outcome;
    }
    pollfd watch{fd_, POLLIN, 0};
    for (;;) {
        // After the deadline the queue gets one last look without waiting,
        // so an answer that came just in time still counts.
        const auto left = std::max(deadline - Clock::now(), Clock::duration::zero());
        const bool lastLook = left == Clock::duration::zero();
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec wait{static_cast<time_t>(nanoseconds / 1000000000),
                            static_cast<long>(nanoseconds % 1000000000)};
        const int ready = ::ppoll(&watch, 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0) {
            if (kind_ == IcmpSocketKind::Datagram && (watch.revents & POLLERR))
                outcome.answer = readErrorQueue(probe);
            if (!outcome.answer) outcome.answer = readQueue(probe);
            if (outcome.answer) {
                outcome.roundTripMs = millisecondsSince(start);
                outcome.status = outcome.answer->status;
                return outcome;
            }
        }
        if (lastLook) break;
    }
    outcome.status = ip_status::ReqTimedOut;
    return outcome;
}

std::optional<packet::Answer> IcmpEchoSocket::readQueue(const packet::Probe& probe) {
    for (int reads = 0; reads < ReadsPerWake; ++reads) {
        // The answer's time to live and type of service.
        ReceivedMessage<CMSG_SPACE(sizeof(int)) * 2> received(received_.get());
        msghdr& message = received.message;
        const ssize_t size = ::recvmsg(fd_, &message, MSG_DONTWAIT);
        if (size < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) return std::nullopt;
            continue;  // a pending error about someone's earlier echo, now cleared
        }
        const std::span<const std::uint8_t> bytes(received_.get(), static_cast<std::size_t>(size));
        if (kind_ == IcmpSocketKind::Raw) {
            if (auto answer = packet::matchRawPacket(bytes, probe)) return answer;
            continue;
        }
        auto answer = packet::matchDatagramReply(bytes, received.address.sin_addr.s_addr, probe);
        if (!answer) continue;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level != SOL_IP) continue;
            if (header->cmsg_type == IP_TTL && header->cmsg_len >= CMSG_LEN(sizeof(int))) {
                int ttl;
                std::memcpy(&ttl, CMSG_DATA(header), sizeof ttl);
                answer->timeToLive = static_cast<std::uint8_t>(ttl);
            } else if (header->cmsg_type == IP_TOS && header->cmsg_len >= CMSG_LEN(1)) {
                answer->typeOfService = *CMSG_DATA(header);
            }
        }
        return answer;
    }
    return std::nullopt;
}

std::optional<packet::Answer> IcmpEchoSocket::readErrorQueue(const packet::Probe& probe) {
    for (int reads = 0; reads < ReadsPerWake; ++reads) {
        // The report and its sender, with room to spare.
        ReceivedMessage<CMSG_SPACE(sizeof(sock_extended_err) + sizeof(sockaddr_in)) + 64> received(
            received_.get());
        msghdr& message = received.message;
        const ssize_t size = ::recvmsg(fd_, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (size < 0) return std::nullopt;  // queue empty
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level != SOL_IP || header->cmsg_type != IP_RECVERR) continue;
            if (header->cmsg_len < CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in)))
                continue;
            sock_extended_err report;
            std::memcpy(&report, CMSG_DATA(header), sizeof report);
            if (report.ee_origin != SO_EE_ORIGIN_ICMP)
                continue;  // a local error, not a node's answer
            sockaddr_in offender;
            std::memcpy(&offender, CMSG_DATA(header) + sizeof report, sizeof offender);
            if (offender.sin_family != AF_INET) continue;
            const std::span<const std::uint8_t> quoted(received_.get(),
                                                       static_cast<std::size_t>(size));
            if (auto answer = packet::matchDatagramReport(
                    report.ee_type, report.ee_code, offender.sin_addr.s_addr,
                    received.address.sin_addr.s_addr, quoted, probe))
                return answer;
        }
    }
    return std::nullopt;
}

}  // namespace platform::icmp
