// The ping page pinging loopback for real, through the real sockets service
// and echo facility. Inside a namespace of its own when root (both socket
// kinds and the ICMP helper, and as nobody through the helper); elsewhere
// with whatever this user may use.

#include <QtTest>

#include <QLineEdit>
#include <QPushButton>

#include <unistd.h>

#include <memory>

#include "cannot_run.h"
#include "fake_services.h"
#include "netns_lab.h"
#include "ping_page_fixture.h"
#include "platform/linux_icmp.h"
#include "platform/linux_icmp_seam.h"
#include "platform/linux_sockets.h"
#include "unprivileged_run.h"

using testing_support::FakeServices;
using testing_support::NetnsLab;
using testing_support::PingPageFixture;
using testing_support::UnprivilegedRun;
using SocketChoice = platform::LinuxIcmpSeam::Channel;

namespace {

QStringList pingLoopback(SocketChoice choice) {
    FakeServices fakes;
    platform::LinuxSockets sockets;
    platform::LinuxIcmp icmp = platform::LinuxIcmpSeam::make(choice);
    PingPageFixture page(sockets, icmp, fakes.toolkit);
    QStringList boxes = page.ping("127.0.0.1");
    // The round trip depends on the machine's load: only its form is fixed.
    if (QRegularExpression("^\\d+ ms$").match(boxes[2]).hasMatch()) boxes[2] = "N ms";
    return boxes;
}

const QStringList Answered{"0   [ ip success ]", "16777343",    "N ms",
                           "11 bytes",           "who are you", "32"};

}  // namespace

class PingPageLoopbackTest : public QObject {
    Q_OBJECT

private slots:
    void pingsLoopbackOnEveryChannel() {
        if (!NetnsLab::skipReason().isEmpty()) {
            const QStringList boxes = pingLoopback(SocketChoice::DatagramThenHelper);
            if (boxes[0].startsWith("11050"))
                TARSINO_CANNOT_RUN("this user may open no ICMP socket here, nor use the helper");
            QCOMPARE(boxes, Answered);
            return;
        }
        NetnsLab lab("ping");
        QVERIFY(!lab.addNamespace("host").isEmpty());
        QVERIFY(lab.run("host", "sysctl -qw net.ipv4.ping_group_range='0 2147483647'"));
        NetnsLab::Inside inside(lab, "host");
        QVERIFY(inside.ok());
        QCOMPARE(pingLoopback(SocketChoice::RawOnly), Answered);
        QCOMPARE(pingLoopback(SocketChoice::DatagramOnly), Answered);
        QCOMPARE(pingLoopback(SocketChoice::HelperOnly), Answered);
    }

    // Debian's ping_group_range lets no one open a datagram socket: an
    // ordinary user's ping is answered through the helper all the same.
    void ordinaryUserPingsThroughTheHelper() {
        if (const QString why = NetnsLab::skipReason(); !why.isEmpty()) TARSINO_CANNOT_RUN(why);
        if (const QString why = UnprivilegedRun::skipReason(); !why.isEmpty())
            TARSINO_CANNOT_RUN(why);
        NetnsLab lab("ping");
        QVERIFY(!lab.addNamespace("host").isEmpty());
        QString output;
        QVERIFY2(UnprivilegedRun::runWithDatagramSocketsRefused(
                     lab, "host", "asNobodyPingThroughTheHelper", &output),
                 qPrintable(output));
    }

    void asNobodyPingThroughTheHelper() {
        if (!UnprivilegedRun::isInside())
            QSKIP("runs as nobody, started by ordinaryUserPingsThroughTheHelper");
        QCOMPARE(::geteuid(), uid_t{65534});
        platform::LinuxIcmp icmp;
        const platform::IcmpHandle handle = icmp.IcmpCreateFile();
        QCOMPARE(platform::LinuxIcmpSeam::handleKind(icmp, handle),
                 platform::LinuxIcmpSeam::HandleKind::Helper);
        QCOMPARE(pingLoopback(SocketChoice::DatagramThenHelper), Answered);
    }
};

QTEST_MAIN(PingPageLoopbackTest)
#include "ping_page_loopback_test.moc"
