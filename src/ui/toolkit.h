#pragma once
// What the handlers need of the window toolkit beyond their own controls:
// modal message boxes, one pass of pending events or a wait that handles them,
// ending the program at once
// and showing a dialog modally. Kept narrow so the window logic runs headless
// against a recording fake. It also shows the network helpers' notices.

#include <QDeadlineTimer>
#include <QString>

#include "net/notices.h"

class QDialog;

namespace ui {

enum class MessageButtons { Ok, YesNo };  // Yes/No always has Yes as the default
enum class MessageIcon { None, Information, Exclamation };
enum class MessageResult { Ok = 1, Yes = 6, No = 7 };

inline const QString ApplicationTitle = QStringLiteral("Tarsino");

class Toolkit : public net::Notices {
public:
    virtual MessageResult messageBox(const QString& text,
                                     MessageButtons buttons = MessageButtons::Ok,
                                     MessageIcon icon = MessageIcon::None,
                                     const QString& title = ApplicationTitle) = 0;
    virtual void processPendingEvents() = 0;
    // Handles the window's events as they come until the deadline, then
    // returns; sooner when the last window closes. Costs no CPU meanwhile.
    virtual void processEventsUntil(const QDeadlineTimer& deadline) = 0;
    // Ends the program: no further event is handled and no handler goes on.
    virtual void endProgram() = 0;
    // Shows the dialog modally and returns when it has been closed.
    virtual void showModal(QDialog& dialog) = 0;

    // A notice is an OK box under the program's title.
    void notify(const QString& text, net::NoticeKind kind) final {
        messageBox(text, MessageButtons::Ok,
                   kind == net::NoticeKind::Warning ? MessageIcon::Exclamation : MessageIcon::None);
    }
};

}  // namespace ui
