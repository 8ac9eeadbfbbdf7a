#pragma once
// The one codec of a reply area's header image: the fixed little-endian
// record the echo facility writes at the start of the caller's reply area,
// the echoed data following at DataOffset.

#include <cstdint>
#include <span>

#include "platform/icmp/echo_options.h"

namespace platform::icmp {

// Layout of the reply area's header image (offsets in bytes, little-endian).
namespace reply_layout {
constexpr int Address = 0;        // 32-bit, network byte order as received
constexpr int Status = 4;         // 32-bit, a code of ip_status.h
constexpr int RoundTripTime = 8;  // 32-bit, milliseconds
constexpr int DataSize = 12;      // 16-bit signed
constexpr int Reserved = 14;      // 16-bit
constexpr int DataPointer = 16;   // 32-bit: offset of the echoed data in the area
constexpr int Options = 20;       // 8 bytes: ttl, tos, flags, options size, options pointer
constexpr int HeaderSize = 28;
constexpr int DataOffset = 32;  // where the echoed data is copied
constexpr int SpareBytes = 8;   // needed beyond header and payload
}  // namespace reply_layout

// The numbers of a reply, as the header image carries them.
struct EchoReplyHeader {
    std::uint32_t Address = 0;  // network byte order
    std::int32_t Status = 0;
    std::uint32_t RoundTripTime = 0;  // milliseconds
    std::int16_t DataSize = 0;
    std::uint16_t Reserved = 0;
    std::uint32_t DataPointer = 0;
    EchoOptions Options;
};

namespace echo_reply_image {

// Header, option block and all: everything before the echoed data.
constexpr std::size_t HeaderImageSize = reply_layout::DataOffset;

// The reply area a caller handed over, as far as it exists.
inline std::span<std::uint8_t> replyArea(void* buffer, std::uint32_t size) {
    if (buffer == nullptr) return {};
    return {static_cast<std::uint8_t*>(buffer), size};
}

void writeHeader(const EchoReplyHeader& header, std::span<std::uint8_t, HeaderImageSize> image);
EchoReplyHeader readHeader(std::span<const std::uint8_t, HeaderImageSize> image);

// A failure is reported in Status alone; the rest of the area stays as the
// caller gave it. An area too small even for Status gets nothing.
void writeStatus(std::span<std::uint8_t> area, std::int32_t status);

// An answer: the header, then as much of the echoed data as the area holds.
// An area smaller than the header gets its status alone.
void writeAnswer(std::span<std::uint8_t> area, const EchoReplyHeader& header,
                 std::span<const std::uint8_t> echoedData);

}  // namespace echo_reply_image

}  // namespace platform::icmp
