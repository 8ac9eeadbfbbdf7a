#pragma once
// How the network helpers tell the user of a failure without knowing the
// window: a modal notice with one OK button under the program's title, shown
// by whoever holds the screen (the window's toolkit).

#include <QString>

namespace net {

enum class NoticeKind { Plain, Warning };  // Warning carries the exclamation mark

class Notices {
public:
    virtual ~Notices() = default;
    // Returns once the user has closed the notice.
    virtual void notify(const QString& text, NoticeKind kind) = 0;
};

}  // namespace net
