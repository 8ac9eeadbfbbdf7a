#include "net/echo_reply.h"

#include <cstring>

namespace net {

namespace {
namespace image_codec = platform::icmp::echo_reply_image;
static_assert(image_codec::HeaderImageSize + EchoReply::DataAreaSize == EchoReply::ImageSize);
}  // namespace

EchoReply::Image EchoReply::toImage() const {
    Image image{};
    image_codec::writeHeader(*this, std::span(image).first<image_codec::HeaderImageSize>());
    std::memcpy(image.data() + image_codec::HeaderImageSize, DataArea.data(), DataAreaSize);
    return image;
}

EchoReply EchoReply::fromImage(std::span<const std::uint8_t, ImageSize> image) {
    EchoReply reply;
    static_cast<platform::icmp::EchoReplyHeader&>(reply) =
        image_codec::readHeader(image.first<image_codec::HeaderImageSize>());
    std::memcpy(reply.DataArea.data(), image.data() + image_codec::HeaderImageSize, DataAreaSize);
    return reply;
}

}  // namespace net
