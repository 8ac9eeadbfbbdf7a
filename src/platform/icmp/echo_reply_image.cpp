#include "platform/icmp/echo_reply_image.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace platform::icmp::echo_reply_image {

namespace {
namespace layout = reply_layout;
namespace bo = byte_order;
constexpr std::size_t OptionsSize = sizeof(EchoOptions::bytes);
static_assert(layout::Options + OptionsSize == HeaderImageSize);
}  // namespace

void writeHeader(const EchoReplyHeader& header, std::span<std::uint8_t, HeaderImageSize> image) {
    std::uint8_t* const at = image.data();
    std::memcpy(at + layout::Address, &header.Address, 4);  // already in network byte order
    bo::storeLittle32(at + layout::Status, static_cast<std::uint32_t>(header.Status));
    bo::storeLittle32(at + layout::RoundTripTime, header.RoundTripTime);
    bo::storeLittle16(at + layout::DataSize, static_cast<std::uint16_t>(header.DataSize));
    bo::storeLittle16(at + layout::Reserved, header.Reserved);
    bo::storeLittle32(at + layout::DataPointer, header.DataPointer);
    std::memcpy(at + layout::Options, header.Options.bytes.data(), OptionsSize);
}

EchoReplyHeader readHeader(std::span<const std::uint8_t, HeaderImageSize> image) {
    const std::uint8_t* const at = image.data();
    EchoReplyHeader header;
    std::memcpy(&header.Address, at + layout::Address, 4);
    header.Status = static_cast<std::int32_t>(bo::loadLittle32(at + layout::Status));
    header.RoundTripTime = bo::loadLittle32(at + layout::RoundTripTime);
    header.DataSize = static_cast<std::int16_t>(bo::loadLittle16(at + layout::DataSize));
    header.Reserved = bo::loadLittle16(at + layout::Reserved);
    header.DataPointer = bo::loadLittle32(at + layout::DataPointer);
    std::memcpy(header.Options.bytes.data(), at + layout::Options, OptionsSize);
    return header;
}

void writeStatus(std::span<std::uint8_t> area, std::int32_t status) {
    if (area.size() >= layout::Status + 4)
        bo::storeLittle32(area.data() + layout::Status, static_cast<std::uint32_t>(status));
}

void writeAnswer(std::span<std::uint8_t> area, const EchoReplyHeader& header,
                 std::span<const std::uint8_t> echoedData) {
    if (area.size() < HeaderImageSize) return writeStatus(area, header.Status);
    writeHeader(header, area.first<HeaderImageSize>());
    const std::size_t room = area.size() - HeaderImageSize;
    const std::size_t copied = std::min(room, echoedData.size());
    if (copied > 0) std::memcpy(area.data() + HeaderImageSize, echoedData.data(), copied);
}

}  // namespace platform::icmp::echo_reply_image
