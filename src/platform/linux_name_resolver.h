#pragma once
// The system resolver behind a deadline: names are looked up in parallel by
// a small, bounded set of worker threads, and the caller leaves at its
// deadline while a lookup that the system resolver holds runs on to its own
// end, detached, with nothing of the caller's left to touch.

#include <functional>
#include <memory>

#include "platform/name_resolver.h"

namespace platform {

class LinuxNameResolver final : public NameResolver {
public:
    // One blocking lookup of one name; called on worker threads, so it must
    // be safe to call from several at once.
    using Lookup = std::function<std::optional<std::uint32_t>(const std::string& name)>;

    // At most `maxThreads` lookups run at any one time, counting those still
    // held by the system resolver after their caller has left: a resolver
    // that never answers cannot make the threads pile up over repeated calls.
    static constexpr int DefaultMaxThreads = 16;
    explicit LinuxNameResolver(Lookup lookup = systemLookup, int maxThreads = DefaultMaxThreads);
    ~LinuxNameResolver() override;
    LinuxNameResolver(const LinuxNameResolver&) = delete;
    LinuxNameResolver& operator=(const LinuxNameResolver&) = delete;

    std::vector<std::optional<std::uint32_t>> resolveAll(const std::vector<std::string>& names,
                                                         Deadline deadline) override;

    // The first IPv4 address of `name` from the system resolver (getaddrinfo).
    static std::optional<std::uint32_t> systemLookup(const std::string& name);

    struct Pool;

private:
    std::shared_ptr<Pool> pool_;
};

}  // namespace platform
