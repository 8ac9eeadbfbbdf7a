#pragma once
// The IPv4 addresses through which discovery talks to the LAN: those of
// interfaces that are up, running, not loopback, and able to send what the
// method needs (multicast or broadcast).

#include <QList>
#include <QNetworkAddressEntry>
#include <QNetworkInterface>

namespace platform::discovery {

struct LanAddress {
    QNetworkInterface interface;
    QNetworkAddressEntry entry;
};

// In the system's order, interface by interface.
QList<LanAddress> lanAddresses(QNetworkInterface::InterfaceFlag capability);

}  // namespace platform::discovery
