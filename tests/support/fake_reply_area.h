#pragma once
// The reply area a fake echo facility was handed, as the span the reply
// image's codec writes into: fakes answer in exactly the real layout.

#include <cstdint>
#include <span>

#include "platform/echo_reply_image.h"

namespace testing_support {

inline std::span<std::uint8_t> replyArea(void* buffer, std::uint32_t size) {
    if (buffer == nullptr) return {};
    return {static_cast<std::uint8_t*>(buffer), size};
}

}  // namespace testing_support
