#include "platform/process/privileges.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform::process {

namespace {

using Sets = __user_cap_data_struct[_LINUX_CAPABILITY_U32S_3];

bool readSets(Sets& sets) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, sets) == 0;
}

}  // namespace

bool giveUpCapabilities() {
    // The kernel empties the ambient set with the permitted one; said here
    // anyway, as it costs nothing.
    if (::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0) return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    Sets none{};
    if (::syscall(SYS_capset, &header, none) != 0) return false;
    // Read back rather than trusted: going on with a capability left is worse than stopping.
    Sets held{};
    if (!readSets(held)) return false;
    for (const auto& set : held)
        if (set.permitted != 0 || set.effective != 0 || set.inheritable != 0) return false;
    return true;
}

bool forbidNewPrivileges() {
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
}

bool holdsCapabilities() {
    Sets held{};
    if (!readSets(held)) return true;  // unknown: assume the worst
    for (const auto& set : held)
        if (set.permitted != 0) return true;
    return false;
}

}  // namespace platform::process
