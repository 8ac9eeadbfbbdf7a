// Sorting the host list and editing a host through the details dialog, by
// real clicks and keys on the widgets.

#include <QtTest>

#include <QLabel>

#include "host_page_fixture.h"
#include "tools/hosts/dialog_info_host.h"
#include "ui/look.h"

using testing_support::HostPageFixture;
using namespace hosts;
namespace status = platform::browser_status;

namespace {

// Shows the window and lists twelve hosts whose names do not follow their
// numbers; false when the window was never shown.
bool showTwelve(HostPageFixture& f) {
    f.window.show();
    if (!QTest::qWaitForWindowExposed(&f.window)) return false;
    const std::vector<std::u16string> names{u"mike",   u"alpha", u"lima",    u"kilo",
                                            u"echo",   u"golf",  u"india",   u"bravo",
                                            u"juliet", u"hotel", u"foxtrot", u"delta"};
    std::vector<std::pair<std::u16string, std::string>> servers;
    for (std::size_t i = 0; i < names.size(); ++i)
        servers.push_back({names[i], "10.0.0." + std::to_string(i + 1)});
    f.browser.addCall(status::Success, servers, static_cast<std::uint32_t>(servers.size()));
    f.browser.repeatLast = true;
    QTest::mouseClick(f.CmdNetDetect, Qt::LeftButton);
    return true;
}

void clickRow(HostPageFixture& f, const QString& hostName) {
    const auto found = f.Lv_hosts->findItems(hostName, Qt::MatchExactly, host_column::HostName);
    QCOMPARE(found.size(), 1);
    f.Lv_hosts->scrollToItem(found[0]);
    QTest::mouseClick(f.Lv_hosts->viewport(), Qt::LeftButton, {},
                      f.Lv_hosts->visualItemRect(found[0]).center());
}

QTreeWidgetItem* rowOf(HostPageFixture& f, const QString& hostName) {
    return f.Lv_hosts->findItems(hostName, Qt::MatchExactly, host_column::HostName).value(0);
}

DialogInfoHost& asDialog(QDialog& dialog) {
    return static_cast<DialogInfoHost&>(dialog);
}

// Shows the dialog as the real toolkit would, then lets `act` work on it.
void onDialog(HostPageFixture& f, std::function<void(DialogInfoHost&)> act) {
    f.toolkit.onShowModal = [act](QDialog& dialog) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        act(asDialog(dialog));
    };
}

}  // namespace

class HostListDialogTest : public QObject {
    Q_OBJECT

private slots:
    void headerClickSortsAscendingByColumnText() {
        HostPageFixture f;
        QVERIFY(showTwelve(f));

        f.clickHeader(host_column::HostName);
        const QStringList byName{"alpha", "bravo", "delta",  "echo", "foxtrot", "golf",
                                 "hotel", "india", "juliet", "kilo", "lima",    "mike"};
        QCOMPARE(f.column(host_column::HostName), byName);
        // A second click on the same header keeps the direction.
        f.clickHeader(host_column::HostName);
        QCOMPARE(f.column(host_column::HostName), byName);

        f.clickHeader(host_column::Number);
        QCOMPARE(f.column(host_column::Number),
                 QStringList({"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"}));
        f.clickHeader(host_column::Number);
        QCOMPARE(f.column(host_column::Number).first(), QString("1"));

        // Sorting stays on: a new enumeration lands in order, by address text here.
        f.clickHeader(host_column::Address);
        QTest::mouseClick(f.btn_clearDominio, Qt::LeftButton);
        QTest::mouseClick(f.CmdNetDetect, Qt::LeftButton);
        QCOMPARE(f.column(host_column::Address).mid(0, 5),
                 QStringList({"10.0.0.1", "10.0.0.10", "10.0.0.11", "10.0.0.12", "10.0.0.2"}));
    }

    void okAfterSortingWritesTheClickedRow() {
        HostPageFixture f;
        f.window.move(50, 60);
        QVERIFY(showTwelve(f));
        f.clickHeader(host_column::HostName);
        QCOMPARE(f.Lv_hosts->indexOfTopLevelItem(rowOf(f, "hotel")), 6);

        int shown = 0;
        onDialog(f, [&](DialogInfoHost& dialog) {
            ++shown;
            QCOMPARE(dialog.lbl_ip->text(), QString("10.0.0.10"));
            QCOMPARE(dialog.lbl_host->text(), QString("hotel"));
            QCOMPARE(dialog.txt_utente->text(), QString());
            QTest::keyClicks(dialog.txt_utente, "Bianchi");
            QTest::keyClicks(dialog.txt_sede, "Milano");
            QTest::keyClicks(dialog.txt_piano, " 3 ");
            QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        });
        clickRow(f, "hotel");
        QCOMPARE(shown, 1);
        QTreeWidgetItem* hotel = rowOf(f, "hotel");
        QCOMPARE(hotel->text(host_column::Number), QString("10"));
        QCOMPARE(hotel->text(host_column::User), QString("Bianchi"));
        QCOMPARE(hotel->text(host_column::Site), QString("Milano"));
        QCOMPARE(hotel->text(host_column::Floor), QString(" 3 "));
        QCOMPARE(hotel->text(host_column::Room), QString());
        // No other row was touched.
        QCOMPARE(f.column(host_column::User).count(QString()), 11);

        // The next click starts from the row's current values; OK without
        // typing keeps them.
        onDialog(f, [&](DialogInfoHost& dialog) {
            QCOMPARE(dialog.txt_utente->text(), QString("Bianchi"));
            QCOMPARE(dialog.txt_piano->text(), QString(" 3 "));
            QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        });
        clickRow(f, "hotel");
        QCOMPARE(rowOf(f, "hotel")->text(host_column::User), QString("Bianchi"));
    }

    void editSortedColumnKeepsListInOrder() {
        HostPageFixture f;
        QVERIFY(showTwelve(f));
        f.clickHeader(host_column::User);
        onDialog(f, [](DialogInfoHost& dialog) {
            QTest::keyClicks(dialog.txt_utente, "Zanetti");
            QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        });
        clickRow(f, "alpha");
        onDialog(f, [](DialogInfoHost& dialog) {
            QTest::keyClicks(dialog.txt_utente, "Amato");
            QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        });
        clickRow(f, "mike");
        const QStringList users = f.column(host_column::User);
        QCOMPARE(users.mid(10), QStringList({"Amato", "Zanetti"}));
    }

    void cancelCloseBoxEnterAndEscapeWriteNothing() {
        HostPageFixture f;
        QVERIFY(showTwelve(f));
        rowOf(f, "golf")->setText(host_column::Room, QStringLiteral("R1"));

        onDialog(f, [](DialogInfoHost& dialog) {
            QTest::keyClicks(dialog.txt_stanza, "99");
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        });
        clickRow(f, "golf");
        QCOMPARE(rowOf(f, "golf")->text(host_column::Room), QString("R1"));

        bool stayedOpen = false;
        onDialog(f, [&](DialogInfoHost& dialog) {
            QTest::keyClicks(dialog.txt_utente, "Verdi");
            // Enter in a box and on the focused "&OK", Escape anywhere: nothing closes.
            QTest::keyClick(dialog.txt_utente, Qt::Key_Return);
            QTest::keyClick(dialog.txt_utente, Qt::Key_Enter);
            QTest::keyClick(dialog.txt_utente, Qt::Key_Escape);
            QTest::keyClick(dialog.OKButton, Qt::Key_Return);
            QTest::keyClick(dialog.OKButton, Qt::Key_Escape);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            stayedOpen = dialog.isVisible() && dialog.result() == 0;
            // The title bar's close box.
            dialog.close();
            QVERIFY(!dialog.isVisible());
        });
        clickRow(f, "golf");
        QVERIFY(stayedOpen);
        QCOMPARE(rowOf(f, "golf")->text(host_column::User), QString());
        QCOMPARE(rowOf(f, "golf")->text(host_column::Room), QString("R1"));
    }

    void dialogLayoutPlacementAndTabOrder() {
        QApplication::setWindowIcon(QIcon(QPixmap(32, 32)));
        HostPageFixture f;
        f.window.move(70, 40);
        QVERIFY(showTwelve(f));
        const QPoint expectedPosition = f.window.frameGeometry().topLeft() + QPoint(20, 140);

        onDialog(f, [&](DialogInfoHost& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Info aggiuntive per l'Host selezionato"));
            QCOMPARE(dialog.frameGeometry().topLeft(), expectedPosition);
            QCOMPARE(dialog.size(), QSize(383, 156));
            QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
            QVERIFY(!(dialog.windowFlags() &
                      (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
            QCOMPARE(dialog.parentWidget(), &f.window);  // owned: no task-bar entry of its own
            QCOMPARE(dialog.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());

            QCOMPARE(dialog.lbl_ip->geometry(), QRect(8, 8, 81, 17));
            QCOMPARE(dialog.lbl_host->geometry(), QRect(104, 8, 273, 17));
            QCOMPARE(dialog.Label1->geometry(), QRect(8, 49, 81, 17));
            QCOMPARE(dialog.txt_utente->geometry(), QRect(96, 48, 281, 19));
            QCOMPARE(dialog.Label4->geometry(), QRect(8, 121, 81, 17));
            QCOMPARE(dialog.txt_stanza->geometry(), QRect(96, 120, 49, 19));
            QCOMPARE(dialog.txt_piano->geometry(), QRect(96, 96, 49, 19));
            QCOMPARE(dialog.CancelButton->geometry(), QRect(200, 112, 81, 25));
            QCOMPARE(dialog.OKButton->geometry(), QRect(288, 112, 81, 25));
            QCOMPARE(dialog.Line1->geometry(), QRect(8, 32, 368, 1));
            QCOMPARE(dialog.Line2->geometry(), QRect(8, 144, 368, 1));

            QVERIFY(dialog.lbl_ip->font().bold());
            QCOMPARE(dialog.lbl_host->font().pointSizeF(), 9.75);
            QCOMPARE(dialog.lbl_host->font().family(), f.window.font().family());
            QVERIFY(!dialog.txt_utente->font().bold());
            QCOMPARE(dialog.Label2->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            QCOMPARE(dialog.Label3->alignment() & Qt::AlignRight, Qt::AlignRight);
            QCOMPARE(dialog.Label3->buddy(), dialog.txt_piano);
            QVERIFY(!dialog.OKButton->isDefault() && !dialog.OKButton->autoDefault());
            QVERIFY(!dialog.CancelButton->autoDefault());

            QCOMPARE(dialog.focusWidget(), dialog.OKButton);
            const QList<QWidget*> order{dialog.CancelButton, dialog.txt_utente, dialog.txt_sede,
                                        dialog.txt_piano,    dialog.txt_stanza, dialog.OKButton};
            for (QWidget* next : order) {
                QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
                QCOMPARE(dialog.focusWidget(), next);
            }
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
        });
        clickRow(f, "echo");
    }

    void dialogTakesTheFontOfTheWindowThatOpensIt() {
        HostPageFixture f;
        // The main window's own font, which the application's default is not.
        f.window.setFont(ui::look::dialogFont());
        QVERIFY(f.window.font() != QApplication::font());
        QVERIFY(showTwelve(f));

        int shown = 0;
        onDialog(f, [&](DialogInfoHost& dialog) {
            ++shown;
            const QFont windowFont = f.window.font();
            QCOMPARE(dialog.font(), windowFont);
            for (QWidget* control : std::initializer_list<QWidget*>{
                     dialog.Label1, dialog.Label2, dialog.Label3, dialog.Label4, dialog.txt_utente,
                     dialog.txt_sede, dialog.txt_piano, dialog.txt_stanza, dialog.OKButton,
                     dialog.CancelButton})
                QCOMPARE(control->font(), windowFont);
            // The two headings: the window's face, 9.75 points, bold.
            for (QLabel* heading : {dialog.lbl_ip, dialog.lbl_host}) {
                QCOMPARE(heading->font().family(), windowFont.family());
                QCOMPARE(heading->font().pointSizeF(), 9.75);
                QVERIFY(heading->font().bold());
            }
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
        });
        clickRow(f, "echo");
        clickRow(f, "golf");  // built afresh, and again in the window's font
        QCOMPARE(shown, 2);
    }

    void hostNamesAreShownAsPlainText() {
        HostPageFixture f;
        f.browser.addCall(status::Success, {{u"<b>pc&amp;1</b>", ""}}, 1);
        f.page->CmdNetDetect_Click();
        QString shownName;
        f.toolkit.onShowModal = [&](QDialog& dialog) {
            shownName = asDialog(dialog).lbl_host->text();
            QCOMPARE(asDialog(dialog).lbl_host->textFormat(), Qt::PlainText);
        };
        f.page->Lv_hosts_ItemClick(f.Lv_hosts->topLevelItem(0), 1);
        QCOMPARE(shownName, QString("<b>pc&amp;1</b>"));
    }
};

QTEST_MAIN(HostListDialogTest)
#include "host_list_dialog_test.moc"
