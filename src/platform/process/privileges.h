#pragma once
// Giving up for good whatever privilege a process was started with. Plain
// C++: the ICMP helper uses it after opening its socket, and tarsino at start,
// so that a capability wrongly left on its file is never lent to a plugin.

namespace platform::process {

// Empties the permitted, effective and inheritable capability sets (the
// ambient set follows) in one call; true only when the process holds no
// capability afterwards.
bool giveUpCapabilities();

// Forbids gaining privileges again through exec (file capabilities, setuid).
// tarsino must not: its ICMP helper gains its capability that way.
bool forbidNewPrivileges();

// Whether the process holds any capability in its permitted set.
bool holdsCapabilities();

}  // namespace platform::process
