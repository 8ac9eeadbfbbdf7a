#pragma once
// Text from the raw UTF-16 strings that the network browser hands out.

#include <QString>

namespace NetDetect {

// Longest name taken from a browser string; longer strings are cut there.
constexpr int MaxNameLength = 499;

// The NUL-terminated UTF-16 string at `pointer`, at most MaxNameLength
// characters of it; never reads past that bound. Empty for a null pointer.
QString WideStringFromPointer(const char16_t* const& pointer);

}  // namespace NetDetect
