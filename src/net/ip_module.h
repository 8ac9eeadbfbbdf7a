#pragma once
// The local host's identity, shown in the window title.

#include <QString>

#include "platform/socket_api.h"
#include "shell/toolkit.h"

namespace IP_Module {

// The local host's name, or the empty text (after a message box when the
// name cannot be read).
QString GetLocalHostName(platform::SocketApi& sockets, shell::Toolkit& toolkit);

// Dotted text of the local host's first address, or the empty text.
QString GetLocalIP(platform::SocketApi& sockets, shell::Toolkit& toolkit);

}  // namespace IP_Module
