#pragma once
// The check that every name a discovery method brings passes before it is
// listed, whichever peer sent it: the host list, its dialog and the report
// show these names as they stand.

#include <QStringView>

namespace platform::discovery {

// Not empty, at most `maxLength` UTF-16 code units, and nothing but printable
// characters: no control characters (C0, DEL, C1), no line or paragraph
// separators, no formatting characters such as bidirectional overrides, no
// unassigned, private-use or lone surrogate code points, and no replacement
// character (bytes that were not valid UTF-8).
bool isListableName(QStringView name, qsizetype maxLength);

}  // namespace platform::discovery
