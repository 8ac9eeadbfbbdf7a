#pragma once
// The echo reply record shared by the ping and the trace route: the numbers of
// the reply and a data area, and its 288-byte image in the layout of the echo
// facility's reply area.

#include <array>
#include <cstdint>
#include <span>

#include "platform/icmp/echo_reply_image.h"

namespace net {

struct EchoReply : platform::icmp::EchoReplyHeader {
    static constexpr std::size_t ImageSize = 288;
    static constexpr std::size_t DataAreaSize = 256;
    using Image = std::array<std::uint8_t, ImageSize>;

    std::array<char, DataAreaSize> DataArea{};  // 8-bit text in the locale's encoding

    Image toImage() const;
    static EchoReply fromImage(std::span<const std::uint8_t, ImageSize> image);
};

}  // namespace net
