// Trace routes through real routers: namespaces client -> r1 -> r2 -> r3 ->
// target, the real echo facility (both socket kinds, and as nobody through
// the ICMP helper) and the real page logic. Needs root; skips elsewhere.

#include <QtTest>

#include <arpa/inet.h>
#include <unistd.h>

#include <array>

#include "cannot_run.h"
#include "fake_toolkit.h"
#include "netns_lab.h"
#include "platform/linux_icmp.h"
#include "platform/linux_icmp_seam.h"
#include "platform/linux_sockets.h"
#include "route_lab.h"
#include "trace_route_page_fixture.h"
#include "ui/qt_toolkit.h"
#include "unprivileged_run.h"

using testing_support::buildRoute;
using testing_support::FakeToolkit;
using testing_support::NetnsLab;
using testing_support::TraceRoutePageFixture;
using testing_support::UnprivilegedRun;
using SocketChoice = platform::LinuxIcmpSeam::Channel;

Q_DECLARE_METATYPE(SocketChoice)

namespace {

struct Trace {
    FakeToolkit fakeToolkit;
    platform::LinuxSockets sockets;
    platform::LinuxIcmp icmp;
    TraceRoutePageFixture page;

    explicit Trace(SocketChoice choice, ui::Toolkit* toolkit = nullptr)
        : icmp(platform::LinuxIcmpSeam::make(choice)),
          page(sockets, icmp, toolkit ? *toolkit : fakeToolkit) {}
    void run(const QString& target) { page.trace(target); }
    QStringList hopLines() const {
        QStringList lines;
        for (const QString& line : page.Text4->text().split("\r\n"))
            if (line.startsWith("Hop #"))
                lines << line.section('\t', 1, 1) + " " + line.section('\t', 3, 3);
        return lines;
    }
};

}  // namespace

class TraceRouteLabTest : public QObject {
    Q_OBJECT

    NetnsLab* lab_ = nullptr;

private slots:
    void initTestCase() {
        if (UnprivilegedRun::isInside()) return;  // in the lab already, as nobody
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        lab_ = new NetnsLab("trace");
        QVERIFY2(buildRoute(*lab_), "the route lab could not be built");
        // Loopback alone: every echo to another network fails to leave (ENETUNREACH).
        QVERIFY(!lab_->addNamespace("isolated").isEmpty());
        QVERIFY(lab_->run("isolated", "sysctl -qw net.ipv4.ping_group_range='0 2147483647'"));
        // Datagram sockets are refused until the group range admits us.
        QVERIFY(lab_->run("client", "sysctl -qw net.ipv4.ping_group_range='0 2147483647'"));
    }
    void cleanupTestCase() { delete lab_; }

    void cleanup() {
        if (!lab_) return;
        // Whichever case added them.
        lab_->removeFilter("r2", "lab");
        lab_->removeFilter("r3", "lab");
    }

    void socketKinds_data() {
        QTest::addColumn<SocketChoice>("choice");
        QTest::newRow("raw") << SocketChoice::RawOnly;
        QTest::newRow("datagram") << SocketChoice::DatagramOnly;
        QTest::newRow("helper") << SocketChoice::HelperOnly;
    }

    void reachesTheTargetHopByHop_data() { socketKinds_data(); }
    void reachesTheTargetHopByHop() {
        QFETCH(SocketChoice, choice);
        NetnsLab::Inside inside(*lab_, "client");
        QVERIFY(inside.ok());
        Trace trace(choice);
        trace.run("10.0.4.2");
        QCOMPARE(trace.hopLines(),
                 (QStringList{"1 10.0.1.1", "2 10.0.2.2", "3 10.0.3.2", "4 10.0.4.2"}));
        QVERIFY(trace.page.Text4->text().startsWith("Tracing Route su 10.0.4.2:\r\n\r\n"));
        QVERIFY(trace.page.Text4->text().endsWith("10.0.4.2\r\n\r\nTrace Route Completato"));
        QCOMPARE(trace.page.Text1->text(), QString("10.0.4.2"));
        QCOMPARE(trace.page.List1->count(), 4);
        QVERIFY(trace.fakeToolkit.messages.empty());
    }

    void unreachableTargetGivesLinesUntilTtl255_data() { socketKinds_data(); }
    void unreachableTargetGivesLinesUntilTtl255() {
        QFETCH(SocketChoice, choice);
        QVERIFY(lab_->addFilterRule("r3", "lab", "forward",
                                    "ip daddr 10.0.4.2 reject with icmp type host-unreachable"));
        NetnsLab::Inside inside(*lab_, "client");
        Trace trace(choice);
        trace.run("10.0.4.2");
        const QStringList lines = trace.hopLines();
        QCOMPARE(lines.size(), 255);
        QCOMPARE(lines.mid(0, 5), (QStringList{"1 10.0.1.1", "2 10.0.2.2", "3 10.0.3.2",
                                               "4 10.0.3.2", "5 10.0.3.2"}));
        QCOMPARE(lines.last(), QString("255 10.0.3.2"));
        QVERIFY(!trace.page.Text4->text().contains("Completato"));
        QVERIFY(trace.page.Command1->isEnabled());
    }

    void silentRouterIsProbedAgainUntilTheWindowCloses_data() { socketKinds_data(); }
    void silentRouterIsProbedAgainUntilTheWindowCloses() {
        QFETCH(SocketChoice, choice);
        QVERIFY(lab_->addFilterRule("r2", "lab", "output", "icmp type time-exceeded drop"));
        NetnsLab::Inside inside(*lab_, "client");
        Trace trace(choice);
        trace.fakeToolkit.onProcessEvents = [&] {
            if (trace.page.List1->count() == 4) trace.page.close();
        };
        trace.run("10.0.4.2");
        QCOMPARE(trace.page.list1(), (QStringList{"1", "2", "2", "2"}));
        QCOMPARE(trace.hopLines(), QStringList{"1 10.0.1.1"});
    }

    // No route at all: each send fails at once, yet the run keeps a silent
    // hop's pace and handles the window's events meanwhile (the real
    // toolkit's wait). The window is closed from an event one second in, well
    // inside the first attempt's 2.4 s, so the run ends after one entry; a
    // run that re-probed at once would have thousands by then.
    void unroutableTargetIsProbedAtASilentHopsPace_data() { socketKinds_data(); }
    void unroutableTargetIsProbedAtASilentHopsPace() {
        QFETCH(SocketChoice, choice);
        NetnsLab::Inside inside(*lab_, "isolated");
        QVERIFY(inside.ok());
        ui::QtToolkit toolkit;
        Trace trace(choice, &toolkit);
        {
            // The precondition: the facility refuses at once, it does not time out.
            std::array<char, 295> area{};
            platform::icmp::EchoOptions options;
            options.setTimeToLive(1);
            const platform::IcmpHandle handle = trace.icmp.IcmpCreateFile();
            QVERIFY(handle != 0);
            QCOMPARE(trace.icmp.IcmpSendEcho(handle, ::inet_addr("10.0.4.2"), "a", 1, &options,
                                             area.data(), area.size(), 2400),
                     0u);
            trace.icmp.IcmpCloseHandle(handle);
        }
        QTimer::singleShot(1000, &trace.page.window, [&trace] { trace.page.close(); });
        trace.run("10.0.4.2");
        QCOMPARE(trace.page.List1->count(), 1);
        QVERIFY(trace.page.closed);
        QCOMPARE(trace.hopLines(), QStringList());
    }

    // Where datagram sockets are refused, an ordinary user traces through
    // the helper, every hop as before.
    void ordinaryUserTracesThroughTheHelper() {
        if (const QString why = UnprivilegedRun::skipReason(); !why.isEmpty())
            TARSINO_CANNOT_RUN(why);
        QString output;
        QVERIFY2(UnprivilegedRun::runWithDatagramSocketsRefused(
                     *lab_, "client", "asNobodyTraceThroughTheHelper", &output),
                 qPrintable(output));
    }

    void asNobodyTraceThroughTheHelper() {
        if (!UnprivilegedRun::isInside())
            QSKIP("runs as nobody, started by ordinaryUserTracesThroughTheHelper");
        QCOMPARE(::geteuid(), uid_t{65534});
        Trace trace(SocketChoice::DatagramThenHelper);
        const platform::IcmpHandle probe = trace.icmp.IcmpCreateFile();
        QCOMPARE(platform::LinuxIcmpSeam::handleKind(trace.icmp, probe),
                 platform::LinuxIcmpSeam::HandleKind::Helper);
        trace.icmp.IcmpCloseHandle(probe);
        trace.run("10.0.4.2");
        QCOMPARE(trace.hopLines(),
                 (QStringList{"1 10.0.1.1", "2 10.0.2.2", "3 10.0.3.2", "4 10.0.4.2"}));
        QVERIFY(trace.page.Text4->text().endsWith("10.0.4.2\r\n\r\nTrace Route Completato"));
        QVERIFY(trace.fakeToolkit.messages.empty());
    }
};

QTEST_MAIN(TraceRouteLabTest)
#include "trace_route_lab_test.moc"
