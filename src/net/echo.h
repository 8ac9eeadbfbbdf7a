#pragma once
// ICMP echoes for the tools: one echo on an open handle through a reply area
// of the caller's size, the ping's whole echo with a chosen payload, and the
// texts of echo status codes.

#include <QString>

#include <cstdint>
#include <span>

#include "net/echo_reply.h"
#include "platform/icmp_api.h"
#include "platform/socket_api.h"

namespace PingModule {

// The system's own codes beside the facility's.
constexpr std::int32_t BadAddressStatus = -1;  // the text is not a dotted address
constexpr std::int32_t PingTimeoutStatus = 500;

// What one echo came to: the reply record taken back from the reply area, and
// the number of replies the facility stored there.
struct SentEcho {
    net::EchoReply reply;
    std::uint32_t replies = 0;
};

// Sends one echo on an open handle. The reply area is `areaSize` bytes long:
// `start`'s image first, zero spare bytes after it; the facility may write up
// to `areaSize` bytes, and the record is taken back from the image. Data
// beyond 65535 bytes is not sent.
SentEcho EchoOnHandle(platform::IcmpApi& icmp, platform::IcmpHandle handle,
                      std::uint32_t destination, std::span<const char> data,
                      const platform::icmp::EchoOptions* options, std::uint32_t areaSize,
                      std::uint32_t timeoutMs, const net::EchoReply& start);

// Sends one echo to a dotted address and fills `reply`; gives its status:
// -1 for a text that is not a dotted address and 11050 when no ICMP handle
// can be opened, both leaving `reply` untouched.
std::int32_t SendEcho(platform::SocketApi& sockets, platform::IcmpApi& icmp, const QString& address,
                      const QString& payload, net::EchoReply& reply);

// "<code>   [ <text> ]" with the status table's text for the code.
QString EchoStatusText(const std::int32_t& code);

}  // namespace PingModule
