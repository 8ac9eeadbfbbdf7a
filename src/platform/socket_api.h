#pragma once
// The sockets service the address helpers and the local identity stand on:
// a session bracket, the local name, a first-address lookup and the classic
// dotted-text conversions, each reporting failure the way callers expect.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct HostEntry {
    std::int16_t addressLength = 4;
    std::vector<std::vector<std::uint8_t>> addressList;  // resolver's order
};

// Error numbers users of the sockets service know to look up.
namespace socket_error {
constexpr int Fault = 10014;  // buffer too small (host name too long)
constexpr int NetworkDown = 10050;
constexpr int SystemNotReady = 10091;  // no IPv4 sockets on this host
constexpr int NotInitialised = 10093;  // cleanup without a session
constexpr int HostNotFound = 11001;
}  // namespace socket_error

class SocketApi {
public:
    virtual ~SocketApi() = default;
    virtual int WSAStartup(std::uint16_t version) = 0;    // 0: session started
    virtual int WSACleanup() = 0;                         // 0: session ended
    virtual int gethostname(char* name, int length) = 0;  // 0, or -1 on failure
    virtual std::optional<HostEntry> gethostbyname(const std::string& name) = 0;
    virtual std::uint32_t inet_addr(const std::string& text) = 0;  // all ones when invalid
    virtual std::string inet_ntoa(std::uint32_t address) = 0;
    virtual int WSAGetLastError() = 0;
};

}  // namespace platform
