#include "net/echo.h"

#include <QByteArray>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/icmp/ip_status.h"

namespace PingModule {

namespace {

namespace ip = platform::icmp::ip_status;

constexpr std::uint32_t BadAddress = 0xffffffff;  // what inet_addr gives for a text it rejects
constexpr std::uint32_t ReplySize =
    net::EchoReply::ImageSize - 1;  // the image's last byte stays untouched
constexpr std::uint32_t TimeoutMs = 500;

struct StatusRow {
    std::int32_t code;
    const char* text;
};

constexpr StatusRow StatusTable[] = {
    {BadAddressStatus, "inet_addr: bad IP format"},
    {ip::Success, "ip success"},
    {PingTimeoutStatus, "ping timeout"},
    {ip::BufTooSmall, "ip buf too_small"},
    {ip::DestNetUnreachable, "ip dest net unreachable"},
    {ip::DestHostUnreachable, "ip dest host unreachable"},
    {ip::DestProtUnreachable, "ip dest prot unreachable"},
    {ip::DestPortUnreachable, "ip dest port unreachable"},
    {ip::NoResources, "ip no resources"},
    {ip::BadOption, "ip bad option"},
    {ip::HwError, "ip hw_error"},
    {ip::PacketTooBig, "ip packet too_big"},
    {ip::ReqTimedOut, "ip req timed out"},
    {ip::BadReq, "ip bad req"},
    {ip::BadRoute, "ip bad route"},
    {ip::TtlExpiredTransit, "ip ttl expired transit"},
    {ip::TtlExpiredReassem, "ip ttl expired reassem"},
    {ip::ParamProblem, "ip param_problem"},
    {ip::SourceQuench, "ip source quench"},
    {ip::OptionTooBig, "ip option too_big"},
    {ip::BadDestination, "ip bad destination"},
    {ip::AddrDeleted, "ip addr deleted"},
    {ip::SpecMtuChange, "ip spec mtu change"},
    {ip::MtuChange, "ip mtu_change"},
    {ip::Unload, "ip unload"},
    {ip::AddrAdded, "ip addr added"},
    {ip::GeneralFailure, "ip general failure"},
    {ip::Pending, "ip pending"},
};

}  // namespace

SentEcho EchoOnHandle(platform::IcmpApi& icmp, platform::IcmpHandle handle,
                      std::uint32_t destination, std::span<const char> data,
                      const platform::icmp::EchoOptions* options, std::uint32_t areaSize,
                      std::uint32_t timeoutMs, const net::EchoReply& start) {
    // Clamped rather than wrapped: a payload this long can never fit the reply
    // area, so the facility refuses it instead of sending a truncated one.
    const auto size = static_cast<std::uint16_t>(
        std::min<std::size_t>(data.size(), std::numeric_limits<std::uint16_t>::max()));
    std::vector<std::uint8_t> area(std::max<std::size_t>(areaSize, net::EchoReply::ImageSize));
    const net::EchoReply::Image image = start.toImage();
    std::copy(image.begin(), image.end(), area.begin());
    SentEcho sent;
    sent.replies = icmp.IcmpSendEcho(handle, destination, data.data(), size, options, area.data(),
                                     areaSize, timeoutMs);
    sent.reply = net::EchoReply::fromImage(std::span(area).first<net::EchoReply::ImageSize>());
    return sent;
}

std::int32_t SendEcho(platform::SocketApi& sockets, platform::IcmpApi& icmp, const QString& address,
                      const QString& payload, net::EchoReply& reply) {
    const std::uint32_t destination = sockets.inet_addr(address.toLocal8Bit().toStdString());
    if (destination == BadAddress) return BadAddressStatus;

    const platform::IcmpHandle handle = icmp.IcmpCreateFile();
    if (handle == 0) return ip::GeneralFailure;

    const QByteArray data = payload.toLocal8Bit();
    reply =
        EchoOnHandle(icmp, handle, destination, data, nullptr, ReplySize, TimeoutMs, reply).reply;
    const std::int32_t status = reply.Status;
    icmp.IcmpCloseHandle(handle);
    return status;
}

QString EchoStatusText(const std::int32_t& code) {
    const auto row = std::ranges::find(StatusTable, code, &StatusRow::code);
    const char* text = row != std::end(StatusTable) ? row->text : "unknown  msg returned";
    return QString::number(code) + QStringLiteral("   [ ") + QLatin1String(text) +
           QStringLiteral(" ]");
}

}  // namespace PingModule
