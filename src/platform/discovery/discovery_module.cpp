// The discovery stack as a module of its own, loaded by the window program
// on its first search (platform/loaded_server_browser.h): Avahi, OpenLDAP
// with GnuTLS, Kerberos and Qt Network would otherwise cost the start-up time
// and memory of every window, searching or not.

#include "platform/discovery/lan_server_browser.h"
#include "platform/loaded_server_browser.h"

extern "C" platform::ServerBrowser* tarsinoMakeLanServerBrowser() {
    return platform::makeLanServerBrowser().release();
}
