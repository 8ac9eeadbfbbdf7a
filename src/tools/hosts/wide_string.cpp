#include "tools/hosts/wide_string.h"

namespace NetDetect {

QString WideStringFromPointer(const char16_t* const& pointer) {
    if (pointer == nullptr) return QString();
    // Scan for the NUL only as far as the bound, so a string without one
    // there is cut instead of read past.
    qsizetype length = 0;
    while (length < MaxNameLength && pointer[length] != u'\0') ++length;
    return QString::fromUtf16(pointer, length);
}

}  // namespace NetDetect
