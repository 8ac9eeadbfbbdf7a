#pragma once
// Loads and stores of 16- and 32-bit numbers in a fixed byte order, whatever
// the host's: big-endian for network fields and the helper's frames,
// little-endian for the reply area's header image. Plain C++, so the helper
// programs may use it too.

#include <cstdint>

namespace platform::byte_order {

constexpr std::uint16_t loadBig16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

constexpr std::uint32_t loadBig32(const std::uint8_t* at) {
    return (static_cast<std::uint32_t>(loadBig16(at)) << 16) | loadBig16(at + 2);
}

constexpr void storeBig16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

constexpr void storeBig32(std::uint8_t* at, std::uint32_t value) {
    storeBig16(at, static_cast<std::uint16_t>(value >> 16));
    storeBig16(at + 2, static_cast<std::uint16_t>(value));
}

constexpr std::uint16_t loadLittle16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

constexpr std::uint32_t loadLittle32(const std::uint8_t* at) {
    return loadLittle16(at) | (static_cast<std::uint32_t>(loadLittle16(at + 2)) << 16);
}

constexpr void storeLittle16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr void storeLittle32(std::uint8_t* at, std::uint32_t value) {
    storeLittle16(at, static_cast<std::uint16_t>(value));
    storeLittle16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace platform::byte_order
