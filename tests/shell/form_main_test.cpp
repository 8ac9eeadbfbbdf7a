// The main window: start-up state, page switching through real tab clicks,
// the caption from the local identity, the results box's tab stops, and a
// layout in which every control is named, labelled and legible.

#include <QtTest>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeWidget>

#include "fake_server_browser.h"
#include "fake_services.h"
#include "shell/form_main.h"
#include "tools/hosts/dialog_info_host.h"
#include "tools/hosts/host_columns.h"
#include "ui/multi_line_text_box.h"

using testing_support::FakeServerBrowser;
using testing_support::FakeServices;

namespace {

QList<QGroupBox*> pages(shell::FormMain& form) {
    return {form.Fr_domini, form.Fr_Intervallo, form.Fr_Ping, form.Fr_About};
}

QStringList visiblePages(shell::FormMain& form) {
    QStringList names;
    for (QGroupBox* page : pages(form))
        if (page->isVisibleTo(&form)) names << page->objectName();
    return names;
}

void clickTab(shell::FormMain& form, int index) {
    QTabBar* bar = form.TabStrip1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

}  // namespace

class FormMainTest : public QObject {
    Q_OBJECT

private slots:
    void opensOnTraceRoutePageWithEmptyResults() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        QCOMPARE(visiblePages(form), QStringList{"Fr_domini"});
        QCOMPARE(form.TabStrip1->currentIndex(), 0);
        QCOMPARE(form.Combo1->count(), 2);
        QCOMPARE(form.Combo1->itemText(0), QString());
        QCOMPARE(form.Combo1->currentText(), QString());
        QCOMPARE(form.Text1->text(), QString());
        // What the results box shows, not only what it reports.
        QCOMPARE(form.Text4->document()->toPlainText(), QString());
        QCOMPARE(form.Text4->text(), QString());
        QCOMPARE(form.Txt_hosts->document()->toPlainText(), QString());
        QCOMPARE(form.Text2->text(), QString("0"));
        QCOMPARE(form.Text3->text(), QString("0"));
        QCOMPARE(form.Text7->text(), QString("who are you"));
        QVERIFY(!form.List1->isVisibleTo(&form));
        QVERIFY(!form.Txt_hosts->isVisibleTo(&form));
        QVERIFY(!form.Text5[1]->isVisibleTo(form.Fr_Ping));
        QVERIFY(fakes.toolkit.messages.empty());
    }

    void tabsCarryKeysCaptionsAndTooltips() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        const QStringList captions{"Trace route", "Dominio", "Ping", "About Tarsino"};
        const QStringList keys{"Trace", "Dominio", "Ping", "About"};
        const QStringList tips{"Trace route su un dominio",
                               "Trace route su un intervallo di indirizzi IP", "Effettua il PING",
                               ""};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(form.TabStrip1->tabText(i), captions[i]);
            QCOMPARE(form.TabStrip1->tabBar()->tabData(i).toString(), keys[i]);
            QCOMPARE(form.TabStrip1->tabToolTip(i), tips[i]);
        }
    }

    void everyTabClickShowsExactlyItsPageAndKeepsHiddenTexts() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Text4->setText("Hop #\t1\t<10 ms\t10.0.0.1\r\n");
        form.Text6->setText("127.0.0.1");
        const QStringList shown{"Fr_domini", "Fr_Intervallo", "Fr_Ping", "Fr_About"};
        for (int index : {2, 1, 3, 0, 3, 3, 1, 2, 0, 0}) {
            clickTab(form, index);
            QCOMPARE(form.TabStrip1->currentIndex(), index);
            QCOMPARE(visiblePages(form), QStringList{shown[index]});
        }
        QCOMPARE(form.Text4->document()->toPlainText(), QString("Hop #\t1\t<10 ms\t10.0.0.1\n"));
        QCOMPARE(form.Text6->text(), QString("127.0.0.1"));
    }

    void captionShowsLocalNameAndAddress() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        QCOMPARE(form.windowTitle(), QString("Tarsino on pc12 [10.0.0.7]"));
        QCOMPARE(fakes.sockets.openSessions, 0);
    }

    void captionWithoutNetworkKeepsItsSeparators() {
        FakeServices fakes;
        fakes.sockets.startFails = true;
        shell::FormMain form(fakes.services());
        QCOMPARE(form.windowTitle(), QString("Tarsino on  []"));
        QVERIFY(fakes.toolkit.messages.empty());
    }

    void captionAfterHostNameFailureShowsBothBoxes() {
        FakeServices fakes;
        fakes.sockets.hostNameFails = true;
        fakes.sockets.hostNameError = 10050;
        shell::FormMain form(fakes.services());
        QCOMPARE(form.windowTitle(), QString("Tarsino on  []"));
        QCOMPARE(fakes.toolkit.messages.size(), 2u);
        QVERIFY(fakes.toolkit.messages[0].text.contains("occurred.  Unable"));
        QVERIFY(fakes.toolkit.messages[1].text.contains("occurred. Unable"));
    }

    void hopLineFieldsStandAtTheTabStops() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QString line = "Hop #\t7\t35 ms\t10.0.0.1\tx";
        form.Text4->setText(line);
        const QTextBlock block = form.Text4->document()->firstBlock();
        QTextLayout* layout = block.layout();
        QVERIFY(layout && layout->lineCount() == 1);
        const QTextLine textLine = layout->lineAt(0);
        const qreal unit = QFontMetricsF(form.Text4->font()).averageCharWidth() / 4.0;
        const QList<int> stops{30, 54, 105, 182};
        int from = 0;
        for (int field = 0; field < 4; ++field) {
            const int start = line.indexOf('\t', from) + 1;
            const qreal x =
                textLine.cursorToX(start) - textLine.x();  // from the text area's left edge
            QVERIFY2(qAbs(x - stops[field] * unit) <= 1.0,
                     qPrintable(QString("field %1 at %2, stop at %3")
                                    .arg(field)
                                    .arg(x)
                                    .arg(stops[field] * unit)));
            from = start;
        }
    }

    void everyControlIsNamedAsDesignedAndLabelled() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        // The host list is built when its page first shows.
        form.TabStrip1->setCurrentIndex(1);
        const QStringList names{"TabStrip1",
                                "Fr_domini",
                                "Fr_Intervallo",
                                "Fr_Ping",
                                "Fr_About",
                                "Label1",
                                "Combo1",
                                "Command1",
                                "Label2",
                                "Text1",
                                "Command2",
                                "Frame1",
                                "Label3",
                                "Text2",
                                "Label4",
                                "Text3",
                                "Label5",
                                "Text4",
                                "List1",
                                "Label24",
                                "txt_domain",
                                "CmdNetDetect",
                                "btn_clearDominio",
                                "btn_logFile",
                                "Label6",
                                "Lv_hosts",
                                "Txt_hosts",
                                "Label10",
                                "Text6",
                                "lbl_data",
                                "Text7",
                                "Label9",
                                "Text5_0",
                                "Line2",
                                "Frame2",
                                "Label19",
                                "Text5_2",
                                "Text5_1",
                                "Label20",
                                "Text5_3",
                                "Label21",
                                "Text5_4",
                                "Label22",
                                "Text5_5",
                                "Line3",
                                "bt_clear_ping",
                                "Cmd_ping",
                                "Label11",
                                "Label12",
                                "Line1",
                                "Label13",
                                "Label14",
                                "Label15",
                                "Label16",
                                "Label18"};
        for (const QString& name : names)
            QVERIFY2(form.findChild<QWidget*>(name), qPrintable(name));
        const QList<QPair<QString, QString>> buddies{
            {"Label1", "Combo1"},      {"Label2", "Text1"},    {"Label5", "Text4"},
            {"Label24", "txt_domain"}, {"Label6", "Lv_hosts"}, {"Label10", "Text6"},
            {"lbl_data", "Text7"},     {"Label9", "Text5_0"},  {"Label19", "Text5_2"},
            {"Label20", "Text5_3"},    {"Label21", "Text5_4"}, {"Label22", "Text5_5"}};
        for (const auto& [label, box] : buddies) {
            QLabel* control = form.findChild<QLabel*>(label);
            QVERIFY(control && control->buddy());
            QCOMPARE(control->buddy()->objectName(), box);
        }
    }

    void layoutInTwipsAtNinetySixDpi() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        QCOMPARE(form.size(), QSize(428, 474));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.Fr_domini->geometry(), QRect(8, 24, 401, 441));
        QCOMPARE(form.Fr_Ping->geometry(), QRect(8, 24, 409, 441));
        QCOMPARE(form.Text4->geometry(), QRect(16, 184, 369, 241));
        QCOMPARE(form.Text5[3]->geometry(), QRect(144, 40, 89, 19));
        QVERIFY(!form.Text1->isEnabled());
        QVERIFY(!form.Text5[0]->isEnabled());
        QCOMPARE(form.Text4->palette().color(QPalette::Base), QColor(255, 255, 192));
        QCOMPARE(form.Label1->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(form.Label11->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }

    // What only a hidden page uses (its fonts, the host list) comes with its
    // first showing, in its place.
    void eachPageIsFinishedWhenFirstShown() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        clickTab(form, 2);
        QVERIFY(form.Text5[0]->font().bold());
        QVERIFY(!form.Text6->font().bold());
        clickTab(form, 1);
        QVERIFY(QFontInfo(form.Txt_hosts->font()).fixedPitch());
        QCOMPARE(form.Lv_hosts->columnCount(), 7);
        for (int column = 0; column < form.Lv_hosts->columnCount(); ++column)
            QCOMPARE(form.Lv_hosts->columnWidth(column), 96);
        QVERIFY(form.Lv_hosts->isVisible());
        QCOMPARE(form.Lv_hosts->geometry(), QRect(8, 96, 393, 337));
        QCOMPARE(form.Lv_hosts->palette().color(QPalette::Base), QColor(Qt::white));
        form.btn_clearDominio->setFocus();
        for (QWidget* next :
             {static_cast<QWidget*>(form.Lv_hosts), static_cast<QWidget*>(form.btn_logFile)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        // Shown again, a page keeps what it has.
        QTreeWidget* const list = form.Lv_hosts;
        clickTab(form, 2);
        QVERIFY(form.Text5[0]->font().bold());
        clickTab(form, 1);
        QCOMPARE(form.Lv_hosts, list);
        QCOMPARE(form.findChildren<QTreeWidget*>().size(), 1);
    }

    void noCaptionIsClipped() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        // The About page fits its captions when it first shows.
        form.TabStrip1->setCurrentIndex(form.TabStrip1->count() - 1);
        for (QLabel* label : form.findChildren<QLabel*>()) {
            const int needed = label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(needed <= label->width(), qPrintable(label->objectName()));
            QVERIFY2(label->fontMetrics().height() <= label->height() + 2,
                     qPrintable(label->objectName()));
        }
        for (QPushButton* button : form.findChildren<QPushButton*>()) {
            const QString text = QString(button->text()).remove('&');
            QVERIFY2(button->fontMetrics().horizontalAdvance(text) + 8 <= button->width(),
                     qPrintable(button->objectName()));
        }
    }

    // As shown: a heading longer than the box wraps instead of scrolling sideways.
    void longResultLinesWrapWithoutHorizontalScrollBar() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QString heading = "Tracing Route su " + QString(200, 'w') + ".example.com:";
        form.Text4->setText(heading + "\r\n");
        QCoreApplication::processEvents();
        QVERIFY(!form.Text4->horizontalScrollBar()->isVisible());
        QCOMPARE(form.Text4->horizontalScrollBar()->maximum(), 0);
        QVERIFY(form.Text4->verticalScrollBar()->isVisible());
        QVERIFY(form.Text4->document()->firstBlock().layout()->lineCount() > 1);
    }

    // The host page as the window itself wires it, once, with fakes and no
    // root: "&Rileva" lists the hosts, a row click annotates one, "&Crea Html
    // Log" writes the report where the window says, "&Annulla" empties it.
    void hostPageRunsThroughTheWindowsOwnWiring() {
        FakeServices fakes;
        FakeServerBrowser browser;
        browser.addCall(platform::browser_status::Success, {{u"pc-b", ""}, {u"pc-a", ""}}, 2);
        fakes.browser = &browser;
        fakes.resolver.addHost("pc-a", {10, 0, 0, 1});
        fakes.resolver.addHost("pc-b", {10, 0, 0, 2});
        QTemporaryDir folder;
        fakes.environment.folder = folder.path();
        fakes.toolkit.onShowModal = [](QDialog& dialog) {
            auto& details = static_cast<hosts::DialogInfoHost&>(dialog);
            details.txt_utente->setText("Rossi");
            QTest::mouseClick(details.OKButton, Qt::LeftButton);
        };
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        clickTab(form, 1);
        QTest::mouseClick(form.CmdNetDetect, Qt::LeftButton);
        QTreeWidget* list = form.Lv_hosts;
        QCOMPARE(list->topLevelItemCount(), 2);
        // In the browser's order until a header is clicked.
        QCOMPARE(list->topLevelItem(0)->text(hosts::host_column::HostName), QString("pc-b"));
        QCOMPARE(list->topLevelItem(0)->text(hosts::host_column::Address), QString("10.0.0.2"));
        QCOMPARE(list->topLevelItem(1)->text(hosts::host_column::HostName), QString("pc-a"));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(0)).center());
        QCOMPARE(list->topLevelItem(0)->text(hosts::host_column::User), QString("Rossi"));

        QTest::mouseClick(form.btn_logFile, Qt::LeftButton);
        QFile report(folder.filePath("Tarsino.htm"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QByteArray written = report.readAll();
        QVERIFY(written.contains("pc-a") && written.contains("Rossi") &&
                written.contains("10.0.0.1"));
        QVERIFY(!fakes.toolkit.messages.empty());
        QVERIFY(fakes.toolkit.messages.back().text.contains(folder.filePath("Tarsino.htm")));

        QTest::mouseClick(form.btn_clearDominio, Qt::LeftButton);
        QCOMPARE(list->topLevelItemCount(), 0);
    }

    void tabKeyFollowsThePageFocusOrder() {
        FakeServices fakes;
        shell::FormMain form(fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto focusedName = [] {
            QWidget* focus = QApplication::focusWidget();
            // An editable combo box hands its focus to its line edit.
            while (focus && focus->objectName().isEmpty()) focus = focus->parentWidget();
            return focus ? focus->objectName() : QString();
        };
        form.Combo1->setFocus();
        QCOMPARE(focusedName(), QString("Combo1"));
        // Past the results box: a tab typed there would trap the keyboard.
        for (const char* next :
             {"Command1", "Command2", "Text4", "qt_tabwidget_tabbar", "Combo1"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(focusedName(), QString(next));
        }
        for (const char* previous : {"qt_tabwidget_tabbar", "Text4", "Command2"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(focusedName(), QString(previous));
        }
        QCOMPARE(form.Text4->text(), QString());
        clickTab(form, 2);
        form.Cmd_ping->setFocus();
        for (const char* next : {"Text6", "Text7", "bt_clear_ping"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(focusedName(), QString(next));
        }
    }
};

QTEST_MAIN(FormMainTest)
#include "form_main_test.moc"
