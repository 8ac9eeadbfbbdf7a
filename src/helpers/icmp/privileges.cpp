#include "privileges.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace icmp_helper {

bool giveUpPrivileges() {
    // The kernel empties the ambient set with the permitted one; said here
    // anyway, as it costs nothing.
    if (::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0) return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capset, &header, sets) != 0) return false;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
    // Read back rather than trusted: serving with a capability left is worse than not serving.
    __user_cap_data_struct held[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, held) != 0) return false;
    for (const auto& set : held)
        if (set.permitted != 0 || set.effective != 0 || set.inheritable != 0) return false;
    return true;
}

}  // namespace icmp_helper
