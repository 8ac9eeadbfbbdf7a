#pragma once
// A sockets service whose answers a test sets, counting sessions.

#include <cstring>
#include <map>
#include <string>

#include "platform/linux_sockets.h"
#include "platform/socket_api.h"

namespace testing_support {

class FakeSockets final : public platform::SocketApi {
public:
    bool startFails = false;
    bool cleanupFails = false;
    bool hostNameFails = false;
    int hostNameError = platform::socket_error::Fault;
    std::string hostName = "pc12";
    std::map<std::string, platform::HostEntry> hosts;  // name -> entry
    std::vector<std::string> lookups;                  // every name asked for, in order
    int openSessions = 0;
    int startups = 0;
    int lastError = 0;

    void addHost(const std::string& name, std::vector<std::vector<std::uint8_t>> addresses,
                 std::int16_t addressLength = 4) {
        hosts[name] = platform::HostEntry{addressLength, std::move(addresses)};
    }

    int WSAStartup(std::uint16_t) override {
        if (startFails) return lastError = platform::socket_error::SystemNotReady;
        ++startups;
        ++openSessions;
        return 0;
    }
    int WSACleanup() override {
        if (openSessions == 0 || cleanupFails) {
            lastError = platform::socket_error::NotInitialised;
            return -1;
        }
        --openSessions;
        return 0;
    }
    int gethostname(char* name, int length) override {
        if (hostNameFails || static_cast<int>(hostName.size()) + 1 > length) {
            lastError = hostNameError;
            return -1;
        }
        std::copy(hostName.begin(), hostName.end(), name);
        name[hostName.size()] = '\0';
        return 0;
    }
    std::optional<platform::HostEntry> gethostbyname(const std::string& name) override {
        lookups.push_back(name);
        const auto found = hosts.find(name);
        if (found != hosts.end()) return found->second;
        // A dotted address resolves to itself, as with the real resolver.
        const std::uint32_t address = real.inet_addr(name);
        if (name.empty() || address == 0xffffffffu) return std::nullopt;
        std::vector<std::uint8_t> bytes(4);
        std::memcpy(bytes.data(), &address, 4);
        return platform::HostEntry{4, {bytes}};
    }
    std::uint32_t inet_addr(const std::string& text) override { return real.inet_addr(text); }
    std::string inet_ntoa(std::uint32_t address) override { return real.inet_ntoa(address); }
    int WSAGetLastError() override { return lastError; }

private:
    platform::LinuxSockets real;
};

}  // namespace testing_support
