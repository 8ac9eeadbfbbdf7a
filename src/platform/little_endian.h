#pragma once
// Little-endian stores and loads for the reply area's header image, which has
// a fixed byte layout whatever the host's byte order.

#include <cstdint>

namespace platform::little_endian {

inline void store16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void store32(std::uint8_t* at, std::uint32_t value) {
    store16(at, static_cast<std::uint16_t>(value));
    store16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

inline std::uint16_t load16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t load32(const std::uint8_t* at) {
    return load16(at) | (static_cast<std::uint32_t>(load16(at + 2)) << 16);
}

}  // namespace platform::little_endian
