#pragma once
// Giving up for good whatever privilege the helper was started with.

namespace icmp_helper {

// Empties the permitted, effective and inheritable capability sets (the
// ambient set follows) in one call and forbids gaining any again through
// exec; true only when the process holds no capability afterwards.
bool giveUpPrivileges();

}  // namespace icmp_helper
