#pragma once
// What tests and benchmarks do to the echo facility and the program never
// does: force one kind of channel, a helper program of their choice, and ask
// what serves a handle.

#include <optional>
#include <string>
#include <utility>

#include "platform/linux_icmp.h"

namespace platform {

class LinuxIcmpSeam {
public:
    using Channel = LinuxIcmp::Channel;
    enum class HandleKind { Datagram, Helper, Raw };

    static LinuxIcmp make(Channel channel, std::string helperPath = {}) {
        return LinuxIcmp(channel, std::move(helperPath));
    }

    // What serves an open handle.
    static std::optional<HandleKind> handleKind(const LinuxIcmp& icmp, IcmpHandle handle) {
        const auto found = icmp.routes_.find(handle);
        if (found == icmp.routes_.end()) return std::nullopt;
        if (found->second.helper) return HandleKind::Helper;
        return found->second.socket->kind() == icmp::IcmpSocketKind::Raw ? HandleKind::Raw
                                                                         : HandleKind::Datagram;
    }

    // The helper's process while one is running, else 0.
    static pid_t helperProcessId(const LinuxIcmp& icmp) {
        return icmp.helper_ ? icmp.helper_->processId() : 0;
    }
};

}  // namespace platform
