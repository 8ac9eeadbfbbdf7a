#pragma once
// The one codec of a reply area's header image: the fixed little-endian
// record the echo facility writes at the start of the caller's reply area,
// the echoed data following at DataOffset.

#include <cstdint>
#include <span>

#include "platform/icmp_api.h"

namespace platform {

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

}  // namespace platform
