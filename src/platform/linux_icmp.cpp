#include "platform/linux_icmp.h"

#include <cstring>
#include <span>

#include "platform/little_endian.h"

namespace platform {

namespace {

constexpr std::uint32_t NoAddress = 0;
constexpr std::uint32_t LimitedBroadcast = 0xffffffff;

// Failures are reported in Status alone; the rest of the area stays as the
// caller gave it. An area too small even for Status gets nothing.
std::uint32_t fail(std::uint8_t* reply, std::uint32_t replySize, std::int32_t status) {
    if (reply && replySize >= reply_layout::Status + 4)
        little_endian::store32(reply + reply_layout::Status, static_cast<std::uint32_t>(status));
    return 0;
}

// The header image of an answer, then its echoed data at DataOffset. The
// caller has checked that header, data and spare bytes fit.
void writeAnswer(std::uint8_t* reply, const IcmpEchoSocket::Outcome& outcome) {
    const auto& answer = *outcome.answer;
    std::memcpy(reply + reply_layout::Address, &answer.from, 4);  // network order, as received
    little_endian::store32(reply + reply_layout::Status, static_cast<std::uint32_t>(answer.status));
    little_endian::store32(reply + reply_layout::RoundTripTime, outcome.roundTripMs);
    little_endian::store16(reply + reply_layout::DataSize, static_cast<std::uint16_t>(answer.echoedData.size()));
    little_endian::store16(reply + reply_layout::Reserved, 0);
    little_endian::store32(reply + reply_layout::DataPointer, reply_layout::DataOffset);
    // The answer's option information: time to live, type of service, no
    // flags, no IP options.
    std::memset(reply + reply_layout::Options, 0, reply_layout::HeaderSize - reply_layout::Options);
    reply[reply_layout::Options] = answer.timeToLive;
    reply[reply_layout::Options + 1] = answer.typeOfService;
    if (!answer.echoedData.empty())
        std::memcpy(reply + reply_layout::DataOffset, answer.echoedData.data(), answer.echoedData.size());
}

}  // namespace

LinuxIcmp::LinuxIcmp(SocketChoice choice) : choice_(choice) {}

IcmpHandle LinuxIcmp::IcmpCreateFile() {
    std::unique_ptr<IcmpEchoSocket> socket;
    if (choice_ != SocketChoice::RawOnly) socket = IcmpEchoSocket::open(IcmpSocketKind::Datagram);
    if (!socket && choice_ != SocketChoice::DatagramOnly) socket = IcmpEchoSocket::open(IcmpSocketKind::Raw);
    if (!socket) return 0;
    sockets_.emplace(++lastHandle_, std::move(socket));
    return lastHandle_;
}

std::uint32_t LinuxIcmp::IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* requestData,
                                      std::uint16_t requestSize, const EchoOptions* options, void* replyBuffer,
                                      std::uint32_t replySize, std::uint32_t timeoutMs) {
    auto* reply = static_cast<std::uint8_t*>(replyBuffer);
    const auto found = sockets_.find(handle);
    if (found == sockets_.end()) return fail(reply, replySize, ip_status::GeneralFailure);
    const std::uint64_t needed =
        std::uint64_t{reply_layout::HeaderSize} + reply_layout::SpareBytes + requestSize;
    if (!reply || replySize < needed) return fail(reply, replySize, ip_status::BufTooSmall);
    if (!requestData && requestSize > 0) return fail(reply, replySize, ip_status::BadReq);
    if (options && options->timeToLive() == 0) return fail(reply, replySize, ip_status::BadReq);
    // 0.0.0.0 would reach this host under another name and all-ones is a
    // broadcast: neither names one destination to echo.
    if (destination == NoAddress || destination == LimitedBroadcast)
        return fail(reply, replySize, ip_status::BadDestination);

    const std::span<const std::uint8_t> payload(static_cast<const std::uint8_t*>(requestData), requestSize);
    const auto outcome = found->second->echo(destination, payload, options ? options->timeToLive() : 0,
                                             std::chrono::milliseconds(timeoutMs));
    if (!outcome.answer) return fail(reply, replySize, outcome.status);
    writeAnswer(reply, outcome);
    return 1;
}

bool LinuxIcmp::IcmpCloseHandle(IcmpHandle handle) {
    return sockets_.erase(handle) == 1;
}

std::optional<IcmpSocketKind> LinuxIcmp::socketKind(IcmpHandle handle) const {
    const auto found = sockets_.find(handle);
    if (found == sockets_.end()) return std::nullopt;
    return found->second->kind();
}

}  // namespace platform
