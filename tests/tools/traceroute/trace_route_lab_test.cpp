// Trace routes through real routers: namespaces client -> r1 -> r2 -> r3 ->
// target, the real echo facility (both socket kinds) and the real window
// logic. Needs root; skips elsewhere.

#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "fake_services.h"
#include "netns_lab.h"
#include "route_lab.h"
#include "platform/linux_icmp.h"
#include "platform/linux_sockets.h"
#include "shell/form_main.h"
#include "shell/multi_line_text_box.h"

using testing_support::FakeServices;
using testing_support::NetnsLab;
using testing_support::buildRoute;
using SocketChoice = platform::LinuxIcmp::SocketChoice;

Q_DECLARE_METATYPE(SocketChoice)

namespace {

struct Trace {
    FakeServices fakes;
    platform::LinuxSockets sockets;
    platform::LinuxIcmp icmp;
    std::unique_ptr<FormMain> form;

    explicit Trace(SocketChoice choice) : icmp(choice) {
        shell::Services services{sockets,           icmp,         *fakes.browser, fakes.resolver,
                                 fakes.environment, fakes.toolkit};
        form = std::make_unique<FormMain>(services);
    }
    void run(const QString& target) {
        form->Combo1->setEditText(target);
        form->Command1->click();
    }
    QStringList hopLines() const {
        QStringList lines;
        for (const QString& line : form->Text4->text().split("\r\n"))
            if (line.startsWith("Hop #")) lines << line.section('\t', 1, 1) + " " + line.section('\t', 3, 3);
        return lines;
    }
};

}  // namespace

class TraceRouteLabTest : public QObject {
    Q_OBJECT

    NetnsLab* lab_ = nullptr;

private slots:
    void initTestCase() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) QSKIP(qPrintable(why));
        lab_ = new NetnsLab("trace");
        QVERIFY2(buildRoute(*lab_), "the route lab could not be built");
        // Datagram sockets are refused until the group range admits us.
        QVERIFY(lab_->run("client", "sysctl -qw net.ipv4.ping_group_range='0 2147483647'"));
    }
    void cleanupTestCase() { delete lab_; }

    void cleanup() {
        lab_->run("r2", "nft delete table inet lab 2>/dev/null; true");
        lab_->run("r3", "nft delete table inet lab 2>/dev/null; true");
    }

    void socketKinds_data() {
        QTest::addColumn<SocketChoice>("choice");
        QTest::newRow("raw") << SocketChoice::RawOnly;
        QTest::newRow("datagram") << SocketChoice::DatagramOnly;
    }

    void reachesTheTargetHopByHop_data() { socketKinds_data(); }
    void reachesTheTargetHopByHop() {
        QFETCH(SocketChoice, choice);
        NetnsLab::Inside inside(*lab_, "client");
        QVERIFY(inside.ok());
        Trace trace(choice);
        trace.run("10.0.4.2");
        QCOMPARE(trace.hopLines(), (QStringList{"1 10.0.1.1", "2 10.0.2.2", "3 10.0.3.2", "4 10.0.4.2"}));
        QVERIFY(trace.form->Text4->text().startsWith("Tracing Route su 10.0.4.2:\r\n\r\n"));
        QVERIFY(trace.form->Text4->text().endsWith("10.0.4.2\r\n\r\nTrace Route Completato"));
        QCOMPARE(trace.form->Text1->text(), QString("10.0.4.2"));
        QCOMPARE(trace.form->List1->count(), 4);
        QVERIFY(trace.fakes.toolkit.messages.empty());
    }

    void unreachableTargetGivesLinesUntilTtl255_data() { socketKinds_data(); }
    void unreachableTargetGivesLinesUntilTtl255() {
        QFETCH(SocketChoice, choice);
        QVERIFY(lab_->run("r3", "nft add table inet lab && "
                                "nft add chain inet lab forward '{ type filter hook forward priority 0; }' && "
                                "nft add rule inet lab forward ip daddr 10.0.4.2 reject with icmp type host-unreachable"));
        NetnsLab::Inside inside(*lab_, "client");
        Trace trace(choice);
        trace.run("10.0.4.2");
        const QStringList lines = trace.hopLines();
        QCOMPARE(lines.size(), 255);
        QCOMPARE(lines.mid(0, 5), (QStringList{"1 10.0.1.1", "2 10.0.2.2", "3 10.0.3.2", "4 10.0.3.2", "5 10.0.3.2"}));
        QCOMPARE(lines.last(), QString("255 10.0.3.2"));
        QVERIFY(!trace.form->Text4->text().contains("Completato"));
        QVERIFY(trace.form->Command1->isEnabled());
    }

    void silentRouterIsProbedAgainUntilTheWindowCloses_data() { socketKinds_data(); }
    void silentRouterIsProbedAgainUntilTheWindowCloses() {
        QFETCH(SocketChoice, choice);
        QVERIFY(lab_->run("r2", "nft add table inet lab && "
                                "nft add chain inet lab output '{ type filter hook output priority 0; }' && "
                                "nft add rule inet lab output icmp type time-exceeded drop"));
        NetnsLab::Inside inside(*lab_, "client");
        Trace trace(choice);
        trace.fakes.toolkit.onProcessEvents = [&] {
            if (trace.form->List1->count() == 4) trace.form->close();
        };
        trace.run("10.0.4.2");
        QStringList entries;
        for (int i = 0; i < trace.form->List1->count(); ++i) entries << trace.form->List1->item(i)->text();
        QCOMPARE(entries, (QStringList{"1", "2", "2", "2"}));
        QCOMPARE(trace.hopLines(), QStringList{"1 10.0.1.1"});
    }
};

QTEST_MAIN(TraceRouteLabTest)
#include "trace_route_lab_test.moc"
