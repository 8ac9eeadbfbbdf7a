#pragma once
// Many host names to IPv4 addresses at once, within a deadline that the
// system resolver cannot stretch.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class NameResolver {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    virtual ~NameResolver() = default;
    // One answer per name, in the names' order: the name's first IPv4 address
    // in network byte order, or nothing when the name does not resolve or has
    // no answer by `deadline`. Returns by the deadline whatever the lookups do.
    virtual std::vector<std::optional<std::uint32_t>> resolveAll(
        const std::vector<std::string>& names, Deadline deadline) = 0;
};

}  // namespace platform
