#pragma once
// The ICMP echo facility the tools rely on: one echo request per call, with an
// optional time to live, the outcome written into the caller's reply area as a
// fixed little-endian header image followed by the echoed data.

#include <cstdint>

#include "platform/icmp/echo_options.h"

namespace platform {

using IcmpHandle = std::intptr_t;  // 0 means no handle could be opened

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
                                       const icmp::EchoOptions* options, void* replyBuffer,
                                       std::uint32_t replySize, std::uint32_t timeoutMs) = 0;

    virtual bool IcmpCloseHandle(IcmpHandle handle) = 0;
};

}  // namespace platform
