#pragma once
// Everything the window's handlers reach outside the window, in one place, so
// that the application wires the real services and tests wire fakes.

#include "platform/environment.h"
#include "platform/icmp_api.h"
#include "platform/name_resolver.h"
#include "platform/server_browser.h"
#include "platform/socket_api.h"
#include "ui/toolkit.h"

namespace shell {

struct Services {
    platform::SocketApi& sockets;
    platform::IcmpApi& icmp;
    platform::ServerBrowser& browser;
    platform::NameResolver& resolver;
    platform::Environment& environment;
    ui::Toolkit& toolkit;
};

}  // namespace shell
