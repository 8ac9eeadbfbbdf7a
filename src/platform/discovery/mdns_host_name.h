#pragma once
// The host names that Avahi reports, in plain text. Avahi hands a name out
// escaped, label by label ("my\032pc.local" for "my pc.local"), whatever
// bytes the peer put in it; the list shows it, and the resolver takes it,
// unescaped.

#include <QString>

#include <optional>

namespace platform::discovery {

// Longest name in text form that DNS allows.
constexpr qsizetype MaxMdnsHostNameLength = 253;

// The plain name, when it is listable (see listable_name.h) and no longer
// than DNS allows; nothing for a name with a label that holds a dot or is
// empty, which plain text cannot write, or that is not valid UTF-8.
std::optional<QString> mdnsHostName(const char* escapedName);

}  // namespace platform::discovery
