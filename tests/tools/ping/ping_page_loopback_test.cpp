// The ping page pinging loopback for real, through the real sockets service
// and echo facility. Inside a namespace of its own when root (both socket
// kinds); elsewhere with whatever socket this user may open.

#include <QtTest>

#include <QLineEdit>
#include <QPushButton>

#include <memory>

#include "fake_services.h"
#include "netns_lab.h"
#include "platform/linux_icmp.h"
#include "platform/linux_sockets.h"
#include "shell/form_main.h"

using testing_support::FakeServices;
using testing_support::NetnsLab;
using SocketChoice = platform::LinuxIcmp::SocketChoice;

namespace {

QStringList pingLoopback(SocketChoice choice) {
    FakeServices fakes;
    platform::LinuxSockets sockets;
    platform::LinuxIcmp icmp(choice);
    FormMain form(
        {sockets, icmp, *fakes.browser, fakes.resolver, fakes.environment, fakes.toolkit});
    form.Text6->setText("127.0.0.1");
    form.Cmd_ping->click();
    QStringList boxes;
    for (QLineEdit* box : form.Text5) boxes << box->text();
    // The round trip depends on the machine's load: only its form is fixed.
    if (QRegularExpression("^\\d+ ms$").match(boxes[2]).hasMatch()) boxes[2] = "N ms";
    return boxes;
}

const QStringList Answered{"0   [ ip success ]", "16777343", "N ms", "11 bytes", "who are you", "32"};

}  // namespace

class PingPageLoopbackTest : public QObject {
    Q_OBJECT

private slots:
    void pingsLoopbackOnBothSocketKinds() {
        if (!NetnsLab::skipReason().isEmpty()) {
            const QStringList boxes = pingLoopback(SocketChoice::DatagramThenRaw);
            if (boxes[0].startsWith("11050")) QSKIP("this user may open no ICMP socket here");
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
    }
};

QTEST_MAIN(PingPageLoopbackTest)
#include "ping_page_loopback_test.moc"
