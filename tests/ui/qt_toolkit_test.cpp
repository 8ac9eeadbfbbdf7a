// The real toolkit as the user meets it: each message box read as shown
// (caption, text, icon, buttons, which one Enter and Escape press) and
// answered with real keys; and the wait that keeps the window live.

#include <QtTest>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <functional>

#include "ui/qt_toolkit.h"

using ui::MessageButtons;
using ui::MessageIcon;
using ui::MessageResult;

namespace {

struct ShownBox {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton, escapeButton;
};

QString buttonName(QMessageBox& box, QAbstractButton* button) {
    if (!button) return QStringLiteral("(none)");
    switch (box.standardButton(button)) {
        case QMessageBox::Ok:
            return QStringLiteral("Ok");
        case QMessageBox::Yes:
            return QStringLiteral("Yes");
        case QMessageBox::No:
            return QStringLiteral("No");
        default:
            return button->text();
    }
}

// Shows a box through the toolkit; once it is on screen, reads it and
// presses `key` on it. Gives what the box showed and what the call returned.
std::pair<ShownBox, MessageResult> showAndPress(const std::function<MessageResult()>& show,
                                                Qt::Key key) {
    ShownBox shown;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        look.stop();
        shown.caption = box->windowTitle();
        shown.text = box->text();
        shown.icon = box->icon();
        for (QAbstractButton* button : box->buttons()) shown.buttons << buttonName(*box, button);
        shown.buttons.sort();
        shown.defaultButton = buttonName(*box, box->defaultButton());
        shown.escapeButton = buttonName(*box, box->escapeButton());
        QTest::keyClick(box, key);
    });
    look.start(10);
    const MessageResult result = show();
    return {shown, result};
}

}  // namespace

Q_DECLARE_METATYPE(MessageIcon)

class QtToolkitTest : public QObject {
    Q_OBJECT

private slots:
    void questionOffersYesByDefaultAndNoOnEscape() {
        ui::QtToolkit toolkit;
        const auto ask = [&] {
            return toolkit.messageBox(
                "Terminare l'operazione in corso?\r\n(Tarsino verr\u00e0 terminato)",
                MessageButtons::YesNo, MessageIcon::None, "Sinotar");
        };
        const auto [shown, escaped] = showAndPress(ask, Qt::Key_Escape);
        QCOMPARE(shown.caption, QString("Sinotar"));
        QCOMPARE(shown.text,
                 QString::fromUtf8("Terminare l'operazione in corso?\n(Tarsino verrà terminato)"));
        QCOMPARE(shown.icon, QMessageBox::NoIcon);
        QCOMPARE(shown.buttons, QStringList({"No", "Yes"}));
        QCOMPARE(shown.defaultButton, QString("Yes"));
        QCOMPARE(shown.escapeButton, QString("No"));
        QCOMPARE(escaped, MessageResult::No);
        QCOMPARE(showAndPress(ask, Qt::Key_Return).second, MessageResult::Yes);
    }

    void noticesShowTheirIconUnderTheProgramsTitle_data() {
        QTest::addColumn<MessageIcon>("icon");
        QTest::addColumn<QMessageBox::Icon>("shownIcon");
        QTest::newRow("none") << MessageIcon::None << QMessageBox::NoIcon;
        QTest::newRow("information") << MessageIcon::Information << QMessageBox::Information;
        QTest::newRow("exclamation") << MessageIcon::Exclamation << QMessageBox::Warning;
    }
    void noticesShowTheirIconUnderTheProgramsTitle() {
        QFETCH(MessageIcon, icon);
        QFETCH(QMessageBox::Icon, shownIcon);
        ui::QtToolkit qtToolkit;
        ui::Toolkit& toolkit = qtToolkit;  // as the pages call it, with its defaults
        // Text that looks like markup is shown as typed.
        const auto [shown, result] = showAndPress(
            [&] {
                return toolkit.messageBox("<b>C:\\Tarsino.htm</b>\r\nscritto", MessageButtons::Ok,
                                          icon);
            },
            Qt::Key_Return);
        QCOMPARE(shown.caption, QString("Tarsino"));
        QCOMPARE(shown.text, QString("<b>C:\\Tarsino.htm</b>\nscritto"));
        QCOMPARE(shown.icon, shownIcon);
        QCOMPARE(shown.buttons, QStringList{"Ok"});
        QCOMPARE(result, MessageResult::Ok);
    }

    // The wait handles events as they come and returns only once its
    // deadline has passed.
    void waitHandlesEventsUntilItsDeadline() {
        ui::QtToolkit toolkit;
        bool handled = false;
        QTimer::singleShot(0, [&handled] { handled = true; });
        const QDeadlineTimer deadline(200);
        toolkit.processEventsUntil(deadline);
        QVERIFY(handled);
        QVERIFY(deadline.hasExpired());
    }
};

QTEST_MAIN(QtToolkitTest)
#include "qt_toolkit_test.moc"
