#include "platform/linux_sockets.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

int socketErrorFromErrno(int error) {
    switch (error) {
        case ENAMETOOLONG:
        case EFAULT:
        case EINVAL:
            return socket_error::Fault;
        case ENETDOWN:
            return socket_error::NetworkDown;
        default:
            return socket_error::SystemNotReady;
    }
}

}  // namespace

int LinuxSockets::WSAStartup(std::uint16_t /*version*/) {
    // A session is usable when this host can open IPv4 sockets at all.
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        lastError_ = socket_error::SystemNotReady;
        return lastError_;
    }
    ::close(probe);
    ++openSessions_;
    return 0;
}

int LinuxSockets::WSACleanup() {
    if (openSessions_ == 0) {
        lastError_ = socket_error::NotInitialised;
        return -1;
    }
    --openSessions_;
    return 0;
}

int LinuxSockets::gethostname(char* name, int length) {
    if (name == nullptr || length <= 0) {
        lastError_ = socket_error::Fault;
        return -1;
    }
    // glibc truncates silently in some versions; ask with room to spare and
    // check the length ourselves so a too-small buffer is always a failure.
    char full[1024] = {};
    if (::gethostname(full, sizeof full - 1) != 0) {
        lastError_ = socketErrorFromErrno(errno);
        return -1;
    }
    const std::size_t needed = std::strlen(full) + 1;
    if (needed > static_cast<std::size_t>(length)) {
        lastError_ = socket_error::Fault;
        return -1;
    }
    std::memcpy(name, full, needed);
    return 0;
}

std::optional<HostEntry> LookUpIPv4Host(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
    addrinfo* found = nullptr;
    if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 ||
        found == nullptr)
        return std::nullopt;
    HostEntry entry;
    for (const addrinfo* item = found; item != nullptr; item = item->ai_next) {
        if (item->ai_family != AF_INET || item->ai_addrlen < sizeof(sockaddr_in)) continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(item->ai_addr);
        std::vector<std::uint8_t> bytes(4);
        std::memcpy(bytes.data(), &address->sin_addr.s_addr, 4);
        if (std::find(entry.addressList.begin(), entry.addressList.end(), bytes) ==
            entry.addressList.end())
            entry.addressList.push_back(std::move(bytes));
    }
    ::freeaddrinfo(found);
    if (entry.addressList.empty()) return std::nullopt;
    return entry;
}

std::optional<HostEntry> LinuxSockets::gethostbyname(const std::string& name) {
    std::optional<HostEntry> entry = LookUpIPv4Host(name);
    if (!entry) lastError_ = socket_error::HostNotFound;
    return entry;
}

std::uint32_t LinuxSockets::inet_addr(const std::string& text) {
    return ::inet_addr(text.c_str());
}

std::string LinuxSockets::inet_ntoa(std::uint32_t address) {
    in_addr value{};
    value.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &value, text, sizeof text);
    return text;
}

int LinuxSockets::WSAGetLastError() {
    return lastError_;
}

}  // namespace platform
