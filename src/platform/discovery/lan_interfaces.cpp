#include "platform/discovery/lan_interfaces.h"

namespace platform::discovery {

QList<LanAddress> lanAddresses(QNetworkInterface::InterfaceFlag capability) {
    const QNetworkInterface::InterfaceFlags wanted =
        QNetworkInterface::IsUp | QNetworkInterface::IsRunning | capability;
    QList<LanAddress> addresses;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if ((interface.flags() & wanted) != wanted ||
            interface.flags() & QNetworkInterface::IsLoopBack)
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                addresses << LanAddress{interface, entry};
    }
    return addresses;
}

}  // namespace platform::discovery
