#pragma once
// Records every message box and answers them as the test says; lets a test
// act during each pass of pending events, each wait, or while a dialog is shown.

#include <QDialog>
#include <QString>

#include <deque>
#include <functional>
#include <stdexcept>
#include <vector>

#include "ui/toolkit.h"

namespace testing_support {

struct ShownMessage {
    QString text;
    ui::MessageButtons buttons;
    ui::MessageIcon icon;
    QString title;
};

// Thrown by endProgram so that no handler goes on, as with the real toolkit.
struct ProgramEnded : std::runtime_error {
    ProgramEnded() : std::runtime_error("program ended") {}
};

class FakeToolkit final : public ui::Toolkit {
public:
    std::vector<ShownMessage> messages;
    std::deque<ui::MessageResult> answers;  // for Yes/No boxes; default No
    std::function<void()> onProcessEvents;
    std::function<void()> onWait;
    std::vector<qint64> waits;  // milliseconds left of each deadline waited for
    std::function<void(QDialog&)> onShowModal;
    int eventPasses = 0;
    bool ended = false;

    ui::MessageResult messageBox(const QString& text, ui::MessageButtons buttons,
                                 ui::MessageIcon icon, const QString& title) override {
        messages.push_back({text, buttons, icon, title});
        if (buttons == ui::MessageButtons::Ok) return ui::MessageResult::Ok;
        if (answers.empty()) return ui::MessageResult::No;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void processPendingEvents() override {
        ++eventPasses;
        if (onProcessEvents) onProcessEvents();
    }
    // Returns at once: the time is the test's to model.
    void processEventsUntil(const QDeadlineTimer& deadline) override {
        waits.push_back(deadline.remainingTime());
        if (onWait) onWait();
    }
    void endProgram() override {
        ended = true;
        throw ProgramEnded();
    }
    void showModal(QDialog& dialog) override {
        if (onShowModal) onShowModal(dialog);
    }
};

}  // namespace testing_support
