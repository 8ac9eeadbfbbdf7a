#pragma once
// The sockets service on Linux: a session counter in place of a startup
// handshake, the system resolver for IPv4 first-address lookups, and the C
// library's own dotted-text conversions.

#include "platform/socket_api.h"

namespace platform {

// The IPv4 addresses of `name` from the system resolver (getaddrinfo), each
// once, in its order; nothing when there are none. Safe on any thread.
std::optional<HostEntry> LookUpIPv4Host(const std::string& name);

class LinuxSockets final : public SocketApi {
public:
    int WSAStartup(std::uint16_t version) override;
    int WSACleanup() override;
    int gethostname(char* name, int length) override;
    std::optional<HostEntry> gethostbyname(const std::string& name) override;
    std::uint32_t inet_addr(const std::string& text) override;
    std::string inet_ntoa(std::uint32_t address) override;
    int WSAGetLastError() override;

private:
    int openSessions_ = 0;
    int lastError_ = 0;
};

}  // namespace platform
