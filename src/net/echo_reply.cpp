#include "net/echo_reply.h"

#include <cstring>

#include "platform/little_endian.h"

namespace {
namespace layout = platform::reply_layout;
namespace le = platform::little_endian;
constexpr std::size_t OptionsSize = 12;
static_assert(layout::Options + OptionsSize == layout::DataOffset);
static_assert(layout::DataOffset + EchoReply::DataAreaSize == EchoReply::ImageSize);
}  // namespace

EchoReply::Image EchoReply::toImage() const {
    Image image{};
    std::memcpy(&image[layout::Address], &Address, 4);  // already in network byte order
    le::store32(&image[layout::Status], static_cast<std::uint32_t>(Status));
    le::store32(&image[layout::RoundTripTime], RoundTripTime);
    le::store16(&image[layout::DataSize], static_cast<std::uint16_t>(DataSize));
    le::store16(&image[layout::Reserved], Reserved);
    le::store32(&image[layout::DataPointer], DataPointer);
    std::memcpy(&image[layout::Options], Options.bytes.data(), OptionsSize);
    std::memcpy(&image[layout::DataOffset], DataArea.data(), DataAreaSize);
    return image;
}

EchoReply EchoReply::fromImage(std::span<const std::uint8_t, ImageSize> image) {
    EchoReply reply;
    std::memcpy(&reply.Address, &image[layout::Address], 4);
    reply.Status = static_cast<std::int32_t>(le::load32(&image[layout::Status]));
    reply.RoundTripTime = le::load32(&image[layout::RoundTripTime]);
    reply.DataSize = static_cast<std::int16_t>(le::load16(&image[layout::DataSize]));
    reply.Reserved = le::load16(&image[layout::Reserved]);
    reply.DataPointer = le::load32(&image[layout::DataPointer]);
    std::memcpy(reply.Options.bytes.data(), &image[layout::Options], OptionsSize);
    std::memcpy(reply.DataArea.data(), &image[layout::DataOffset], DataAreaSize);
    return reply;
}
