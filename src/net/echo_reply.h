#pragma once
// The echo reply record shared by the ping and the trace route, and its
// 288-byte image in the layout of the echo facility's reply area.

#include <array>
#include <cstdint>
#include <span>

#include "platform/icmp_api.h"

struct EchoReply {
    static constexpr std::size_t ImageSize = 288;
    static constexpr std::size_t DataAreaSize = 256;
    using Image = std::array<std::uint8_t, ImageSize>;

    std::uint32_t Address = 0;  // network byte order
    std::int32_t Status = 0;
    std::uint32_t RoundTripTime = 0;  // milliseconds
    std::int16_t DataSize = 0;
    std::uint16_t Reserved = 0;
    std::uint32_t DataPointer = 0;
    platform::EchoOptions Options;
    std::array<char, DataAreaSize> DataArea{};  // 8-bit text in the locale's encoding

    Image toImage() const;
    static EchoReply fromImage(std::span<const std::uint8_t, ImageSize> image);
};
