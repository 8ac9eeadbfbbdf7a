#pragma once
// The local host's identity, shown in the window title.

#include <QString>

#include "net/notices.h"
#include "platform/socket_api.h"

namespace IP_Module {

// The local host's name, or the empty text (after a message box when the
// name cannot be read).
QString GetLocalHostName(platform::SocketApi& sockets, net::Notices& notices);

// Dotted text of the local host's first address, or the empty text.
QString GetLocalIP(platform::SocketApi& sockets, net::Notices& notices);

}  // namespace IP_Module
