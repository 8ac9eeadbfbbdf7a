#include "net/address_helpers.h"

#include <cstring>
#include <string>

namespace Tracert_Module {

using net::NoticeKind;

namespace {
constexpr std::uint16_t SocketsVersion = 0x0101;
}

bool SocketsInitialize(platform::SocketApi& sockets) {
    return sockets.WSAStartup(SocketsVersion) == 0;
}

void SocketsCleanup(platform::SocketApi& sockets, net::Notices& notices) {
    if (sockets.WSACleanup() != 0) {
        notices.notify(QStringLiteral("Windows Sockets error occurred during Cleanup."),
                       NoticeKind::Warning);
    }
}

QString ResolveHostToIP(platform::SocketApi& sockets, QString host) {
    const auto entry = sockets.gethostbyname(host.toLocal8Bit().toStdString());
    if (!entry || entry->addressList.empty() || entry->addressList.front().size() < 4)
        return QString();
    // The first four bytes are the address, whatever length the entry claims.
    std::uint32_t address = 0;
    std::memcpy(&address, entry->addressList.front().data(), 4);
    return AddressToText(sockets, address);
}

QString AddressToText(platform::SocketApi& sockets, const std::uint32_t& address) {
    const std::string text = sockets.inet_ntoa(address);
    return AnsiStringFromPointer(text.c_str());
}

QString AnsiStringFromPointer(const char* pointer) {
    if (pointer == nullptr) return QString();
    return QString::fromLocal8Bit(pointer, static_cast<qsizetype>(std::strlen(pointer)));
}

}  // namespace Tracert_Module
