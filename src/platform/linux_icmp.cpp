#include "platform/linux_icmp.h"

#include <cstring>
#include <span>

#include "platform/helper_program.h"
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
void writeAnswer(std::uint8_t* reply, const EchoOutcome& outcome) {
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

LinuxIcmp::LinuxIcmp(Channel channel, std::string helperPath)
    : channel_(channel),
      helperPath_(helperPath.empty() ? helperProgramPath("tarsino-icmp") : std::move(helperPath)) {}

IcmpHandle LinuxIcmp::IcmpCreateFile() {
    Route route;
    if (channel_ == Channel::RawOnly) {
        route.socket = IcmpEchoSocket::open(IcmpSocketKind::Raw);
    } else {
        if (channel_ != Channel::HelperOnly) route.socket = IcmpEchoSocket::open(IcmpSocketKind::Datagram);
        if (!route.socket && channel_ != Channel::DatagramOnly) route.helper = IcmpHelperClient::start(helperPath_);
    }
    if (!route.socket && !route.helper) return 0;
    routes_.emplace(++lastHandle_, std::move(route));
    return lastHandle_;
}

std::uint32_t LinuxIcmp::IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* requestData,
                                      std::uint16_t requestSize, const EchoOptions* options, void* replyBuffer,
                                      std::uint32_t replySize, std::uint32_t timeoutMs) {
    auto* reply = static_cast<std::uint8_t*>(replyBuffer);
    const auto found = routes_.find(handle);
    if (found == routes_.end()) return fail(reply, replySize, ip_status::GeneralFailure);
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
    const std::uint8_t timeToLive = options ? options->timeToLive() : 0;
    const std::chrono::milliseconds timeout(timeoutMs);
    const Route& route = found->second;
    const auto outcome = route.socket ? route.socket->echo(destination, payload, timeToLive, timeout)
                                      : route.helper->echo(destination, payload, timeToLive, timeout);
    if (!outcome.answer) return fail(reply, replySize, outcome.status);
    writeAnswer(reply, outcome);
    return 1;
}

bool LinuxIcmp::IcmpCloseHandle(IcmpHandle handle) {
    return routes_.erase(handle) == 1;
}

std::optional<LinuxIcmp::HandleKind> LinuxIcmp::handleKind(IcmpHandle handle) const {
    const auto found = routes_.find(handle);
    if (found == routes_.end()) return std::nullopt;
    if (found->second.helper) return HandleKind::Helper;
    return found->second.socket->kind() == IcmpSocketKind::Raw ? HandleKind::Raw : HandleKind::Datagram;
}

}  // namespace platform
