#pragma once
// Socket session bracket and address conversions shared by every tool.

#include <QString>

#include <cstdint>

#include "net/notices.h"
#include "platform/socket_api.h"

namespace Tracert_Module {

// True when a sockets session has started; shows nothing.
bool SocketsInitialize(platform::SocketApi& sockets);

// Ends the caller's session; warns once when there was none to end.
void SocketsCleanup(platform::SocketApi& sockets, net::Notices& notices);

// Dotted text of the host's first IPv4 address, or the empty text.
QString ResolveHostToIP(platform::SocketApi& sockets, QString host);

// Dotted text of an address in network byte order.
QString AddressToText(platform::SocketApi& sockets, const std::uint32_t& address);

// Copy of a NUL-terminated string in the locale's 8-bit encoding.
QString AnsiStringFromPointer(const char* pointer);

}  // namespace Tracert_Module
