#pragma once
// The toolkit as Qt provides it: real message boxes, event processing and modal dialogs.

#include "ui/toolkit.h"

namespace ui {

class QtToolkit final : public Toolkit {
public:
    MessageResult messageBox(const QString& text, MessageButtons buttons, MessageIcon icon,
                             const QString& title) override;
    void processPendingEvents() override;
    void processEventsUntil(const QDeadlineTimer& deadline) override;
    [[noreturn]] void endProgram() override;
    void showModal(QDialog& dialog) override;
};

}  // namespace ui
