#include "net/ping_module.h"

#include <QByteArray>

#include <algorithm>
#include <limits>

namespace PingModule {

namespace {

constexpr std::uint32_t BadAddress = 0xffffffff;  // what inet_addr gives for a text it rejects
constexpr std::int32_t BadAddressStatus = -1;
constexpr std::uint32_t ReplySize = EchoReply::ImageSize - 1;  // the image's last byte stays untouched
constexpr std::uint32_t TimeoutMs = 500;

struct StatusRow {
    std::int32_t code;
    const char* text;
};

constexpr StatusRow StatusTable[] = {
    {-1, "inet_addr: bad IP format"},
    {0, "ip success"},
    {500, "ping timeout"},
    {11001, "ip buf too_small"},
    {11002, "ip dest net unreachable"},
    {11003, "ip dest host unreachable"},
    {11004, "ip dest prot unreachable"},
    {11005, "ip dest port unreachable"},
    {11006, "ip no resources"},
    {11007, "ip bad option"},
    {11008, "ip hw_error"},
    {11009, "ip packet too_big"},
    {11010, "ip req timed out"},
    {11011, "ip bad req"},
    {11012, "ip bad route"},
    {11013, "ip ttl expired transit"},
    {11014, "ip ttl expired reassem"},
    {11015, "ip param_problem"},
    {11016, "ip source quench"},
    {11017, "ip option too_big"},
    {11018, "ip bad destination"},
    {11019, "ip addr deleted"},
    {11020, "ip spec mtu change"},
    {11021, "ip mtu_change"},
    {11022, "ip unload"},
    {11023, "ip addr added"},
    {11050, "ip general failure"},
    {11255, "ip pending"},
};

}  // namespace

std::int32_t SendEcho(platform::SocketApi& sockets, platform::IcmpApi& icmp, const QString& address,
                      const QString& payload, EchoReply& reply) {
    const std::uint32_t destination = sockets.inet_addr(address.toLocal8Bit().toStdString());
    if (destination == BadAddress) return BadAddressStatus;

    const platform::IcmpHandle handle = icmp.IcmpCreateFile();
    if (handle == 0) return platform::ip_status::GeneralFailure;

    EchoReply::Image image = reply.toImage();
    const QByteArray data = payload.toLocal8Bit();
    // Clamped rather than wrapped: a payload this long can never fit the reply
    // area, so the facility refuses it instead of sending a truncated one.
    const auto size = static_cast<std::uint16_t>(
        std::min<qsizetype>(data.size(), std::numeric_limits<std::uint16_t>::max()));
    icmp.IcmpSendEcho(handle, destination, data.constData(), size, nullptr, image.data(), ReplySize, TimeoutMs);
    reply = EchoReply::fromImage(image);
    const std::int32_t status = reply.Status;
    icmp.IcmpCloseHandle(handle);
    return status;
}

QString EchoStatusText(const std::int32_t& code) {
    const auto row = std::ranges::find(StatusTable, code, &StatusRow::code);
    const char* text = row != std::end(StatusTable) ? row->text : "unknown  msg returned";
    return QString::number(code) + QStringLiteral("   [ ") + QLatin1String(text) + QStringLiteral(" ]");
}

}  // namespace PingModule
