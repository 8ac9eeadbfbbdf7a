// The trace-route page on its own controls, over a modelled route.

#include <QtTest>

#include <QLineEdit>

#include "fake_path_icmp.h"
#include "fake_services.h"
#include "platform/icmp/ip_status.h"
#include "shell/form_main.h"
#include "tools/traceroute/hop_line.h"
#include "tools/traceroute/packet_size.h"
#include "trace_route_page_fixture.h"

using testing_support::FakePathIcmp;
using testing_support::FakeServices;
using testing_support::FakeToolkit;
using testing_support::PathHop;
using testing_support::ProgramEnded;
using testing_support::TraceRoutePageFixture;

namespace {

struct Route {
    FakeServices fakes;
    FakePathIcmp route;
};

struct Lab : Route, TraceRoutePageFixture {
    explicit Lab(std::vector<PathHop> path)
        : TraceRoutePageFixture(fakes.sockets, route, fakes.toolkit) {
        route.path = std::move(path);
        // The few cases about the window around the page (its combo box as
        // the user types into it, other pages between probes) build it too.
        fakes.icmp = &route;
        fakes.sockets.addHost("target.lab", {{10, 0, 3, 2}});
    }
};

std::vector<PathHop> threeHops() {
    return {{"10.0.1.1", 3}, {"10.0.2.1", 35}, {"10.0.3.2", 1300}};
}

}  // namespace

class TraceRouteTest : public QObject {
    Q_OBJECT

private slots:
    void roundTripTexts_data() {
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<QString>("text");
        for (const auto& [ms, text] : std::vector<std::pair<int, const char*>>{{0, "<10 ms"},
                                                                               {9, "<10 ms"},
                                                                               {10, "10 ms"},
                                                                               {35, "35 ms"},
                                                                               {1200, "1200 ms"},
                                                                               {1201, "*"},
                                                                               {2000, "*"},
                                                                               {-5, "<10 ms"}})
            QTest::addRow("%d", ms) << ms << QString(text);
    }
    void roundTripTexts() {
        QFETCH(int, milliseconds);
        QFETCH(QString, text);
        QCOMPARE(traceroute::roundTripText(milliseconds), text);
    }

    void hopLineLayout() {
        QCOMPARE(traceroute::HopLine(7, 35, "10.0.0.1"), QString("Hop #\t7\t35 ms\t10.0.0.1\r\n"));
        QCOMPARE(traceroute::HopLine(255, 1, "10.0.0.9"),
                 QString("Hop #\t255\t<10 ms\t10.0.0.9\r\n"));
    }

    void packetSizeNormalisation_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normalised");
        QTest::addColumn<int>("bytes");
        const std::vector<std::tuple<const char*, const char*, int>> rows{
            {"0", "32", 32},      {"", "32", 32},        {"abc", "32", 32}, {"500", "128", 128},
            {"31.9", "32", 32},   {"128.4", "128", 128}, {"64", "64", 64},  {"32.5", "32.5", 32},
            {"33.5", "33.5", 34}, {"1e2", "1e2", 100},   {"nan", "32", 32}, {"-40", "32", 32},
            {" 64 ", " 64 ", 64}, {"12,5", "32", 32}};
        for (const auto& [typed, normalised, bytes] : rows)
            QTest::addRow("'%s'", typed) << QString(typed) << QString(normalised) << bytes;
    }
    void packetSizeNormalisation() {
        QFETCH(QString, typed);
        QFETCH(QString, normalised);
        QFETCH(int, bytes);
        Lab lab(threeHops());
        lab.Text3->setText(typed);
        lab.trace("target.lab");
        QCOMPARE(lab.Text3->text(), normalised);
        QVERIFY(!lab.route.calls.empty());
        for (const auto& call : lab.route.calls) {
            QCOMPARE(int(call.data.size()), bytes);
            QVERIFY(call.data.find_first_not_of('a') == std::string::npos);
        }
    }

    void threeHopRunWritesHeadingHopLinesAndCompletion() {
        Lab lab(threeHops());
        lab.trace("target.lab");
        QCOMPARE(lab.shown(), QString("Tracing Route su target.lab:\n\n"
                                      "Hop #\t1\t<10 ms\t10.0.1.1\n"
                                      "Hop #\t2\t35 ms\t10.0.2.1\n"
                                      "Hop #\t3\t*\t10.0.3.2\n"
                                      "\nTrace Route Completato"));
        QCOMPARE(lab.Text4->text(), QString("Tracing Route su target.lab:\r\n\r\n"
                                            "Hop #\t1\t<10 ms\t10.0.1.1\r\n"
                                            "Hop #\t2\t35 ms\t10.0.2.1\r\n"
                                            "Hop #\t3\t*\t10.0.3.2\r\n"
                                            "\r\nTrace Route Completato"));
        QCOMPARE(lab.Text1->text(), QString("10.0.3.2"));
        QCOMPARE(lab.Text2->text(), QString("1"));
        QCOMPARE(lab.list1(), (QStringList{"1", "2", "3"}));
        QCOMPARE(lab.route.handlesOpened, 1);
        QCOMPARE(lab.route.handlesClosed, 1);
        QCOMPARE(lab.fakes.sockets.openSessions, 0);
        QVERIFY(lab.Command1->isEnabled());
        QCOMPARE(lab.fakes.toolkit.eventPasses, 3);
        QVERIFY(lab.fakes.toolkit.waits.empty());
        for (const auto& call : lab.route.calls) {
            QCOMPARE(call.timeoutMs, 2400u);
            QCOMPARE(call.replySize, 295u);
            QCOMPARE(call.destination, ::inet_addr("10.0.3.2"));
        }
    }

    void commandOneStaysDisabledWhileRunning() {
        Lab lab(threeHops());
        QList<bool> enabled;
        lab.fakes.toolkit.onProcessEvents = [&] { enabled << lab.Command1->isEnabled(); };
        lab.trace("target.lab");
        QCOMPARE(enabled, (QList<bool>{false, false, false}));
        QVERIFY(lab.Command1->isEnabled());
    }

    void errorReportsAreAnswersAndTheRunGoesOn() {
        Lab lab({{"10.0.1.1", 2},
                 {"10.0.2.1", 4, platform::icmp::ip_status::DestHostUnreachable},
                 {"10.0.3.2", 5}});
        lab.trace("target.lab");
        QVERIFY(lab.Text4->text().contains("Hop #\t2\t<10 ms\t10.0.2.1\r\n"));
        QVERIFY(lab.Text4->text().endsWith("\r\nTrace Route Completato"));
    }

    void silentHopIsProbedAgainUntilTheWindowCloses() {
        Lab lab(
            {{"10.0.1.1"}, {"10.0.2.1"}, {"10.0.3.1"}, {"10.0.4.1", 1, 11013, true}, {"10.0.3.2"}});
        lab.fakes.toolkit.onProcessEvents = [&] {
            if (lab.fakes.toolkit.eventPasses == 7) lab.close();
        };
        lab.trace("target.lab");
        QCOMPARE(lab.list1(), (QStringList{"1", "2", "3", "4", "4", "4", "4"}));
        QCOMPARE(lab.Text4->text().count("Hop #"), 3);
        QVERIFY(!lab.Text4->text().contains("Completato"));
        QCOMPARE(lab.route.handlesClosed, 1);
        QCOMPARE(lab.fakes.sockets.openSessions, 0);
        QVERIFY(!lab.Command1->isEnabled());  // the closed window is left alone
    }

    // A send that fails at once (no route, a target such as 0.0.0.0) waits
    // out its time-out with the window live: no spin, and "&Stop" answered
    // during the wait. A probe that gets its answer does not wait.
    void failedSendWaitsOutItsAttemptAndStopEndsTheWait() {
        Lab lab({{"10.0.1.1"},
                 {"10.0.2.1", 1, platform::icmp::ip_status::GeneralFailure, true},
                 {"10.0.3.2"}});
        FakeToolkit& toolkit = lab.fakes.toolkit;
        toolkit.answers = {ui::MessageResult::Yes};
        toolkit.onWait = [&] {
            if (toolkit.waits.size() == 3) lab.traceRoute.Command2_Click();
        };
        lab.Combo1->setEditText("target.lab");
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, lab.traceRoute.Command1_Click());
        QCOMPARE(lab.list1(), (QStringList{"1", "2", "2", "2"}));
        QCOMPARE(toolkit.eventPasses, 3);  // ended inside the third wait, before its yield
        QCOMPARE(toolkit.waits.size(), 3u);
        for (const qint64 left : toolkit.waits) {
            QVERIFY2(left > 0 && left <= 2400, qPrintable(QString::number(left)));
        }
    }

    void routeThatNeverReachesTheTargetEndsAfterTtl255() {
        std::vector<PathHop> path(256, PathHop{"10.9.9.9", 12});
        path.back().address = "10.0.3.2";
        Lab lab(path);
        lab.trace("target.lab");
        QCOMPARE(lab.List1->count(), 255);
        QVERIFY(lab.Text4->text().endsWith("Hop #\t255\t12 ms\t10.9.9.9\r\n"));
        QCOMPARE(lab.route.handlesClosed, 1);
    }

    void blankComboTakesTheDomainBoxAndKeepsTheBlanksInHeadingAndList() {
        Lab lab(threeHops());
        lab.domain = "target.lab";
        lab.trace("   ");
        QVERIFY(lab.shown().startsWith("Tracing Route su    :\n\n"));
        QCOMPARE(lab.Combo1->count(), 3);
        QCOMPARE(lab.Combo1->itemText(2), QString("   "));
    }

    void typedTargetIsUsedAsTypedAndEveryRunAddsAnEntry() {
        Lab lab(threeHops());
        lab.fakes.sockets.addHost(" target.lab", {{10, 0, 3, 2}});
        lab.trace(" target.lab");
        lab.trace(" target.lab");
        QCOMPARE(lab.Combo1->count(), 4);
        QCOMPARE(lab.Combo1->itemText(2), QString(" target.lab"));
        QCOMPARE(lab.Combo1->itemText(3), QString(" target.lab"));
        QCOMPARE(lab.Combo1->currentText(), QString(" target.lab"));
    }

    // Keys typed into the combo's text field, then a click on "&OK": the run
    // traces what was typed, never an entry of the list that it begins.
    void typedPrefixOfAListEntryIsTracedAsTyped_data() {
        QTest::addColumn<QString>("earlier");  // traced before, so in the list
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("enter");  // Enter pressed before the click
        struct Row {
            const char* name;
            const char* earlier;
            const char* typed;
            const char* address;
            bool enter;
        };
        for (const Row& row : std::initializer_list<Row>{
                 {"loc, localhost listed", "", "loc", "10.0.3.2", false},
                 {"10.0.0.1, 10.0.0.12 listed", "10.0.0.12", "10.0.0.1", "10.0.0.1", false},
                 {"Enter on loc", "", "loc", "10.0.3.2", true},
                 {"Enter on LOCALHOST", "", "LOCALHOST", "10.0.3.3", true}})
            QTest::newRow(row.name)
                << QString(row.earlier) << QString(row.typed) << QString(row.address) << row.enter;
    }
    void typedPrefixOfAListEntryIsTracedAsTyped() {
        QFETCH(QString, earlier);
        QFETCH(QString, typed);
        QFETCH(QString, address);
        QFETCH(bool, enter);
        Lab lab({{address.toStdString()}});
        lab.fakes.sockets.addHost("loc", {{10, 0, 3, 2}});
        lab.fakes.sockets.addHost("LOCALHOST", {{10, 0, 3, 3}});
        shell::FormMain form(lab.fakes.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.Combo1->itemText(1), shell::FormMain::DefaultRemoteHost);
        if (!earlier.isEmpty()) {
            lab.route.path = {{earlier.toStdString()}};
            form.Combo1->setEditText(earlier);
            form.Command1->click();
            lab.route.path = {{address.toStdString()}};
        }
        const int entries = form.Combo1->count();

        QLineEdit* field = form.Combo1->lineEdit();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, typed);
        if (enter) QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(form.Combo1->currentText(), typed);
        lab.route.calls.clear();
        QTest::mouseClick(form.Command1, Qt::LeftButton);

        QCOMPARE(QString::fromStdString(lab.fakes.sockets.lookups.back()), typed);
        QVERIFY(!lab.route.calls.empty());
        for (const auto& call : lab.route.calls)
            QCOMPARE(call.destination, ::inet_addr(address.toLatin1().constData()));
        QVERIFY(lab.fakes.toolkit.messages.empty());
        QVERIFY(form.Text4->document()->toPlainText().startsWith("Tracing Route su " + typed +
                                                                 ":\n\n"));
        // The run's new entry leaves the typed text as it was.
        QCOMPARE(form.Combo1->count(), entries + 1);
        QCOMPARE(form.Combo1->itemText(entries), typed);
        QCOMPARE(form.Combo1->currentText(), typed);
        QCOMPARE(field->text(), typed);
    }

    void unresolvableNameIsReportedAndNothingIsSent() {
        Lab lab(threeHops());
        lab.trace("nowhere.invalid");
        QCOMPARE(lab.fakes.toolkit.messages.size(), 1u);
        const auto& box = lab.fakes.toolkit.messages[0];
        QCOMPARE(box.text, QString("Impossibile risolvere il nome host: nowhere.invalid"));
        QCOMPARE(box.title, QString("SINOTAR"));
        QCOMPARE(box.icon, ui::MessageIcon::Exclamation);
        QVERIFY(lab.route.calls.empty());
        QCOMPARE(lab.route.handlesOpened, 0);
        QCOMPARE(lab.Combo1->count(), 2);
        QCOMPARE(lab.Text1->text(), QString());
        QCOMPARE(lab.shown(), QString());
        QCOMPARE(lab.fakes.sockets.openSessions, 0);
        QVERIFY(lab.Command1->isEnabled());
    }

    void emptyNameRightAfterStartIsUnresolvable() {
        Lab lab(threeHops());
        lab.Command1->click();
        QCOMPARE(lab.fakes.toolkit.messages.size(), 1u);
        QCOMPARE(lab.fakes.toolkit.messages[0].text,
                 QString("Impossibile risolvere il nome host: "));
    }

    void sessionAndHandleFailures() {
        {
            Lab lab(threeHops());
            lab.fakes.sockets.startFails = true;
            lab.trace("target.lab");
            QCOMPARE(lab.fakes.toolkit.messages.size(), 1u);
            QCOMPARE(lab.fakes.toolkit.messages[0].text,
                     QString("Impossibile inizializzare la Socket Windows"));
            QCOMPARE(lab.fakes.toolkit.messages[0].title, QString("SINOTAR"));
            QCOMPARE(lab.fakes.toolkit.messages[0].icon, ui::MessageIcon::None);
            QCOMPARE(lab.Text3->text(), QString("32"));
            QCOMPARE(lab.shown(), QString());
        }
        {
            Lab lab(threeHops());
            lab.route.refuseHandle = true;
            lab.trace("target.lab");
            QCOMPARE(lab.fakes.toolkit.messages.size(), 1u);
            QCOMPARE(lab.fakes.toolkit.messages[0].text,
                     QString("Impossibile aprire un gestore di file ICMP"));
            QCOMPARE(lab.Combo1->count(), 2);
            QCOMPARE(lab.Text1->text(), QString());
            QCOMPARE(lab.shown(), QString());
            QCOMPARE(lab.fakes.sockets.openSessions, 0);
        }
    }

    void stopAnsweredNoGoesOnAndYesEndsAtOnce() {
        Lab lab({{"10.0.1.1"}, {"10.0.2.1", 1, 11013, true}, {"10.0.3.2"}});
        lab.fakes.toolkit.answers = {ui::MessageResult::No, ui::MessageResult::Yes};
        lab.fakes.toolkit.onProcessEvents = [&] {
            if (lab.fakes.toolkit.eventPasses == 2 || lab.fakes.toolkit.eventPasses == 4)
                lab.traceRoute.Command2_Click();
        };
        // The handlers are called directly: the fake's end of the program is an
        // exception, which must not unwind through Qt's signal dispatch.
        lab.Combo1->setEditText("target.lab");
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, lab.traceRoute.Command1_Click());
        QCOMPARE(lab.fakes.toolkit.messages.size(), 2u);
        for (const auto& box : lab.fakes.toolkit.messages) {
            QCOMPARE(
                box.text,
                QString::fromUtf8("Terminare l'operazione in corso?\r\n(Tarsino verrà terminato)"));
            QCOMPARE(box.title, QString("Sinotar"));
            QCOMPARE(box.buttons, ui::MessageButtons::YesNo);
        }
        QCOMPARE(lab.list1(), (QStringList{"1", "2", "2", "2"}));
        QCOMPARE(lab.route.calls.size(), 4u);
    }

    void stopOutsideARunAsksTheSameQuestion() {
        Lab lab(threeHops());
        lab.Command2->click();  // answered No by default
        QCOMPARE(lab.fakes.toolkit.messages.size(), 1u);
        QVERIFY(!lab.fakes.toolkit.ended);
        lab.fakes.toolkit.answers = {ui::MessageResult::Yes};
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, lab.traceRoute.Command2_Click());
    }

    void otherPagesWorkBetweenProbes() {
        Lab lab(threeHops());
        shell::FormMain form(lab.fakes.services());
        form.show();
        lab.fakes.toolkit.onProcessEvents = [&] {
            form.TabStrip1->setCurrentIndex(lab.fakes.toolkit.eventPasses % 4);
            form.Text6->setText("typed while tracing");
        };
        form.Combo1->setEditText("target.lab");
        form.Command1->click();
        QVERIFY(form.Text4->document()->toPlainText().endsWith("\n\nTrace Route Completato"));
        QCOMPARE(form.Text6->text(), QString("typed while tracing"));
    }
};

QTEST_MAIN(TraceRouteTest)
#include "trace_route_test.moc"
