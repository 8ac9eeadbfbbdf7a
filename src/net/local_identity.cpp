#include "net/local_identity.h"

#include <QStringList>

#include <array>

#include "net/address_helpers.h"

namespace IP_Module {

namespace {

constexpr int HostNameBufferSize = 256;

QString hostNameFailure(int error, const char* tail) {
    return QStringLiteral("Windows Sockets error ") + QString::number(error) + QLatin1String(tail);
}

}  // namespace

QString GetLocalHostName(platform::SocketApi& sockets, net::Notices& notices) {
    std::array<char, HostNameBufferSize> buffer{};
    if (!Tracert_Module::SocketsInitialize(sockets)) return QString();
    QString result;
    if (sockets.gethostname(buffer.data(), HostNameBufferSize) == -1) {
        notices.notify(hostNameFailure(sockets.WSAGetLastError(),
                                       " has occurred.  Unable to successfully get Host Name."),
                       net::NoticeKind::Plain);
    } else {
        buffer.back() = '\0';
        result = Tracert_Module::AnsiStringFromPointer(buffer.data());
    }
    Tracert_Module::SocketsCleanup(sockets, notices);
    return result;
}

QString GetLocalIP(platform::SocketApi& sockets, net::Notices& notices) {
    std::array<char, HostNameBufferSize> buffer{};
    if (!Tracert_Module::SocketsInitialize(sockets)) return QString();
    if (sockets.gethostname(buffer.data(), HostNameBufferSize) == -1) {
        notices.notify(hostNameFailure(sockets.WSAGetLastError(),
                                       " has occurred. Unable to successfully get Host Name."),
                       net::NoticeKind::Plain);
        Tracert_Module::SocketsCleanup(sockets, notices);
        return QString();
    }
    buffer.back() = '\0';
    const auto entry = sockets.gethostbyname(buffer.data());
    if (!entry) {
        notices.notify(QStringLiteral("Windows Sockets are not responding. ") +
                           QStringLiteral("Unable to successfully get Host Name."),
                       net::NoticeKind::Plain);
        Tracert_Module::SocketsCleanup(sockets, notices);
        return QString();
    }
    // The octets come straight from the address bytes, as many as the entry
    // says an address has.
    QStringList octets;
    if (!entry->addressList.empty()) {
        const auto& first = entry->addressList.front();
        const auto length = std::min<std::size_t>(
            first.size(), static_cast<std::size_t>(std::max<int>(0, entry->addressLength)));
        for (std::size_t i = 0; i < length; ++i) octets << QString::number(first[i]);
    }
    Tracert_Module::SocketsCleanup(sockets, notices);
    return octets.join(QLatin1Char('.'));
}

}  // namespace IP_Module
