#include "ui/qt_toolkit.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>

#include <unistd.h>
#include <cstdio>

#include "ui/title_bar_buttons.h"

namespace ui {

MessageResult QtToolkit::messageBox(const QString& text, MessageButtons buttons, MessageIcon icon,
                                    const QString& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    // Our texts break lines with CR LF; the label wants plain line feeds.
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
        case MessageIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageResult::Ok;
}

void QtToolkit::processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtToolkit::processEventsUntil(const QDeadlineTimer& deadline) {
    if (deadline.hasExpired()) return;
    QEventLoop loop;
    QTimer::singleShot(deadline.remainingTime(), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    // A closed window leaves nothing to wait for; the caller sees it closed.
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, &loop, &QEventLoop::quit);
    loop.exec();
}

void QtToolkit::endProgram() {
    // At once: no destructor, no further event, no handler resumes. The kernel
    // closes our sockets with the process.
    std::fflush(nullptr);
    ::_exit(0);
}

void QtToolkit::showModal(QDialog& dialog) {
    // Like the main window's, a dialog's title bar offers close alone.
    keepOnlyTheCloseButton(dialog);
    dialog.exec();
}

}  // namespace ui
