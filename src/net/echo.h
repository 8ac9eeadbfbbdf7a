#pragma once
// One ICMP echo with a chosen payload, and the texts of echo status codes.

#include <QString>

#include <cstdint>

#include "net/echo_reply.h"
#include "platform/icmp_api.h"
#include "platform/socket_api.h"

namespace PingModule {

// Sends one echo to a dotted address and fills `reply`; gives its status:
// -1 for a text that is not a dotted address and 11050 when no ICMP handle
// can be opened, both leaving `reply` untouched.
std::int32_t SendEcho(platform::SocketApi& sockets, platform::IcmpApi& icmp, const QString& address,
                      const QString& payload, EchoReply& reply);

// "<code>   [ <text> ]" with the status table's text for the code.
QString EchoStatusText(const std::int32_t& code);

}  // namespace PingModule
