#pragma once
// The ICMP echo facility the tools rely on: one echo request per call, with an
// optional time to live, the outcome written into the caller's reply area as a
// fixed little-endian header image followed by the echoed data.

#include <array>
#include <cstdint>

namespace platform {

using IcmpHandle = std::intptr_t;  // 0 means no handle could be opened

// Request options: byte 0 is the time to live; the rest stays zero so that
// no type of service, flags or IP options ever leave with a request.
struct EchoOptions {
    std::array<std::uint8_t, 12> bytes{};
    std::uint8_t timeToLive() const { return bytes[0]; }
    void setTimeToLive(std::uint8_t ttl) { bytes[0] = ttl; }
};

// Layout of the reply area's header image (offsets in bytes, little-endian).
namespace reply_layout {
constexpr int Address = 0;        // 32-bit, network byte order as received
constexpr int Status = 4;         // 32-bit, a status code below
constexpr int RoundTripTime = 8;  // 32-bit, milliseconds
constexpr int DataSize = 12;      // 16-bit signed
constexpr int Reserved = 14;      // 16-bit
constexpr int DataPointer = 16;   // 32-bit: offset of the echoed data in the area
constexpr int Options = 20;       // 8 bytes: ttl, tos, flags, options size, options pointer
constexpr int HeaderSize = 28;
constexpr int DataOffset = 32;  // where the echoed data is copied
constexpr int SpareBytes = 8;   // needed beyond header and payload
}  // namespace reply_layout

// Status codes written into the reply's Status field.
namespace ip_status {
constexpr std::int32_t Success = 0;
constexpr std::int32_t BufTooSmall = 11001;
constexpr std::int32_t DestNetUnreachable = 11002;
constexpr std::int32_t DestHostUnreachable = 11003;
constexpr std::int32_t DestProtUnreachable = 11004;
constexpr std::int32_t DestPortUnreachable = 11005;
constexpr std::int32_t NoResources = 11006;
constexpr std::int32_t BadOption = 11007;
constexpr std::int32_t HwError = 11008;
constexpr std::int32_t PacketTooBig = 11009;
constexpr std::int32_t ReqTimedOut = 11010;
constexpr std::int32_t BadReq = 11011;
constexpr std::int32_t BadRoute = 11012;
constexpr std::int32_t TtlExpiredTransit = 11013;
constexpr std::int32_t TtlExpiredReassem = 11014;
constexpr std::int32_t ParamProblem = 11015;
constexpr std::int32_t SourceQuench = 11016;
constexpr std::int32_t OptionTooBig = 11017;
constexpr std::int32_t BadDestination = 11018;
constexpr std::int32_t AddrDeleted = 11019;
constexpr std::int32_t SpecMtuChange = 11020;
constexpr std::int32_t MtuChange = 11021;
constexpr std::int32_t Unload = 11022;
constexpr std::int32_t AddrAdded = 11023;
constexpr std::int32_t GeneralFailure = 11050;
constexpr std::int32_t Pending = 11255;
}  // namespace ip_status

// Whether an address (network byte order) names one host to echo: 0.0.0.0
// would reach this host under another name and all-ones is a broadcast.
constexpr bool isEchoDestination(std::uint32_t destination) {
    return destination != 0 && destination != 0xffffffff;
}

class IcmpApi {
public:
    virtual ~IcmpApi() = default;

    // A handle for echo requests, or 0 when no ICMP socket can be opened.
    virtual IcmpHandle IcmpCreateFile() = 0;

    // Sends one echo request to `destination` (network byte order) carrying
    // `requestSize` bytes of `requestData`, with the time to live of `options`
    // when given, and waits up to `timeoutMs` for an answer to this request.
    // Returns the number of replies stored in `replyBuffer` (1 for any answer:
    // echo reply or error report; 0 for none). The header's Status holds the
    // outcome in both cases.
    virtual std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination,
                                       const void* requestData, std::uint16_t requestSize,
                                       const EchoOptions* options, void* replyBuffer,
                                       std::uint32_t replySize, std::uint32_t timeoutMs) = 0;

    virtual bool IcmpCloseHandle(IcmpHandle handle) = 0;
};

}  // namespace platform
