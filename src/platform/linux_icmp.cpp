#include "platform/linux_icmp.h"

#include <span>

#include "platform/icmp/echo_destination.h"
#include "platform/icmp/echo_reply_image.h"
#include "platform/icmp/ip_status.h"
#include "platform/process/helper_program.h"

namespace platform {

namespace {

std::uint32_t fail(std::span<std::uint8_t> area, std::int32_t status) {
    icmp::echo_reply_image::writeStatus(area, status);
    return 0;
}

// The answer's header, with its option information (time to live and type
// of service; no flags, no IP options), then its echoed data.
void writeAnswer(std::span<std::uint8_t> area, const icmp::EchoOutcome& outcome) {
    const auto& answer = *outcome.answer;
    icmp::EchoReplyHeader header;
    header.Address = answer.from;  // network order, as received
    header.Status = answer.status;
    header.RoundTripTime = outcome.roundTripMs;
    header.DataSize = static_cast<std::int16_t>(answer.echoedData.size());
    header.DataPointer = icmp::reply_layout::DataOffset;
    header.Options.bytes[0] = answer.timeToLive;
    header.Options.bytes[1] = answer.typeOfService;
    icmp::echo_reply_image::writeAnswer(area, header, answer.echoedData);
}

}  // namespace

LinuxIcmp::LinuxIcmp() : LinuxIcmp(Channel::DatagramThenHelper, {}) {}

LinuxIcmp::LinuxIcmp(Channel channel, std::string helperPath)
    : channel_(channel),
      helperPath_(helperPath.empty() ? process::helperProgramPath("tarsino-icmp")
                                     : std::move(helperPath)) {}

IcmpHandle LinuxIcmp::IcmpCreateFile() {
    Route route;
    if (channel_ == Channel::RawOnly) {
        route.socket = icmp::IcmpEchoSocket::open(icmp::IcmpSocketKind::Raw);
    } else {
        if (channel_ != Channel::HelperOnly)
            route.socket = icmp::IcmpEchoSocket::open(icmp::IcmpSocketKind::Datagram);
        if (!route.socket && channel_ != Channel::DatagramOnly) route.helper = servingHelper();
    }
    if (!route.socket && !route.helper) return 0;
    routes_.emplace(++lastHandle_, std::move(route));
    return lastHandle_;
}

std::uint32_t LinuxIcmp::IcmpSendEcho(IcmpHandle handle, std::uint32_t destination,
                                      const void* requestData, std::uint16_t requestSize,
                                      const icmp::EchoOptions* options, void* replyBuffer,
                                      std::uint32_t replySize, std::uint32_t timeoutMs) {
    const std::span<std::uint8_t> area = icmp::echo_reply_image::replyArea(replyBuffer, replySize);
    const auto found = routes_.find(handle);
    if (found == routes_.end()) return fail(area, icmp::ip_status::GeneralFailure);
    const std::uint64_t needed = std::uint64_t{icmp::reply_layout::HeaderSize} +
                                 icmp::reply_layout::SpareBytes + requestSize;
    if (area.size() < needed) return fail(area, icmp::ip_status::BufTooSmall);
    if (!requestData && requestSize > 0) return fail(area, icmp::ip_status::BadReq);
    if (options && options->timeToLive() == 0) return fail(area, icmp::ip_status::BadReq);
    if (!icmp::isEchoDestination(destination)) return fail(area, icmp::ip_status::BadDestination);

    const std::span<const std::uint8_t> payload(static_cast<const std::uint8_t*>(requestData),
                                                requestSize);
    const std::uint8_t timeToLive = options ? options->timeToLive() : 0;
    const std::chrono::milliseconds timeout(timeoutMs);
    const Route& route = found->second;
    const auto outcome = route.socket
                             ? route.socket->echo(destination, payload, timeToLive, timeout)
                             : route.helper->echo(destination, payload, timeToLive, timeout);
    if (!outcome.answer) return fail(area, outcome.status);
    writeAnswer(area, outcome);
    return 1;
}

std::shared_ptr<IcmpHelperClient> LinuxIcmp::servingHelper() {
    if (!helper_ || !helper_->stillServing()) helper_ = IcmpHelperClient::start(helperPath_);
    return helper_;
}

bool LinuxIcmp::IcmpCloseHandle(IcmpHandle handle) {
    return routes_.erase(handle) == 1;
}

}  // namespace platform
