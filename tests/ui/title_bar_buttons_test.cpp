// The main window and the host details dialog under a real window manager
// (Debian's openbox, on a display of the test's own): their title bars offer
// close only, neither minimize nor maximize, and the window stays fixed-size
// and centred. What the window manager allows is read back from the X server.

#include <QtTest>

#include <QProcess>
#include <QScreen>

#include "cannot_run.h"
#include "fake_services.h"
#include "shell/form_main.h"
#include "tools/hosts/dialog_info_host.h"
#include "ui/qt_toolkit.h"

using testing_support::FakeServices;

namespace {

void verifyCloseOnly(const QStringList& actions) {
    QVERIFY2(actions.contains("_NET_WM_ACTION_CLOSE"), qPrintable(actions.join(' ')));
    for (const char* refused : {"_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                                "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_RESIZE"})
        QVERIFY2(!actions.contains(refused), qPrintable(actions.join(' ')));
}

// The window manager's _NET_WM_ALLOWED_ACTIONS for the window, through xprop;
// empty until the window manager has set them.
QStringList allowedActions(WId window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window),
                                          QStringLiteral("_NET_WM_ALLOWED_ACTIONS")});
    if (!xprop.waitForFinished(10000) || xprop.exitCode() != 0) return {};
    const QString output = QString::fromLatin1(xprop.readAllStandardOutput());
    const int equals = output.indexOf(QLatin1Char('='));
    if (equals < 0) return {};
    QStringList actions;
    for (const QString& action : output.mid(equals + 1).split(QLatin1Char(',')))
        actions << action.trimmed();
    return actions;
}

}  // namespace

class TitleBarButtonsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            TARSINO_CANNOT_RUN(
                "needs an X display with openbox: run through tests/support/under_openbox.sh");
    }

    void mainWindowOffersCloseOnly() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QStringList actions;
        QTRY_VERIFY_WITH_TIMEOUT(!(actions = allowedActions(form.winId())).isEmpty(), 20000);
        verifyCloseOnly(actions);
    }

    // Shown the way the host page shows it: modally, through the toolkit.
    void hostDialogOffersCloseOnly() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        hosts::DialogInfoHost dialog(&form);
        QStringList actions;
        QTimer::singleShot(0, &dialog, [&] {
            // A generous watchdog while the window manager takes the dialog in.
            for (int tries = 0; tries < 200 && actions.isEmpty(); ++tries) {
                QTest::qWait(100);
                if (dialog.isVisible()) actions = allowedActions(dialog.winId());
            }
            dialog.reject();
        });
        ui::QtToolkit().showModal(dialog);
        QVERIFY(!actions.isEmpty());
        verifyCloseOnly(actions);
    }

    void mainWindowStaysFixedSizeAndCentred() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), QSize(428, 474));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const QPoint screenCentre = form.screen()->availableGeometry().center();
        QTRY_VERIFY2_WITH_TIMEOUT(
            (form.frameGeometry().center() - screenCentre).manhattanLength() <= 2,
            qPrintable(QString("frame %1,%2 %3x%4 geometry %5,%6, screen centre %7,%8")
                           .arg(form.frameGeometry().x())
                           .arg(form.frameGeometry().y())
                           .arg(form.frameGeometry().width())
                           .arg(form.frameGeometry().height())
                           .arg(form.geometry().x())
                           .arg(form.geometry().y())
                           .arg(screenCentre.x())
                           .arg(screenCentre.y())),
            20000);
    }
};

QTEST_MAIN(TitleBarButtonsTest)
#include "title_bar_buttons_test.moc"
