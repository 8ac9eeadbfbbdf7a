// The ping page's two buttons, on the page's own controls with a fake echo
// facility: what each outcome leaves in the six result boxes.

#include <QtTest>

#include <QLineEdit>
#include <QPushButton>

#include "fake_path_icmp.h"
#include "fake_services.h"
#include "ping_page_fixture.h"
#include "tools/ping/ping_page.h"

using testing_support::FakePathIcmp;
using testing_support::FakeServices;
using testing_support::PingPageFixture;

namespace {

struct Lab {
    FakeServices fakes;
    FakePathIcmp route;
    PingPageFixture page{fakes.sockets, route, fakes.toolkit};

    explicit Lab(testing_support::PathHop target = {"127.0.0.1", 0}) { route.path = {target}; }
    QStringList ping(const QString& address) { return page.ping(address); }
    QStringList boxes() const { return page.boxes(); }
};

}  // namespace

class PingPageTest : public QObject {
    Q_OBJECT

private slots:
    void answeredPingFillsEveryBox() {
        Lab lab;
        QCOMPARE(lab.ping("127.0.0.1"), (QStringList{"0   [ ip success ]", "16777343", "0 ms",
                                                     "11 bytes", "who are you", "32"}));
        QCOMPARE(lab.route.calls.size(), 1u);
        QCOMPARE(lab.route.calls[0].data, std::string("who are you"));
        QCOMPARE(lab.route.calls[0].timeoutMs, 500u);
        QCOMPARE(lab.route.calls[0].replySize, 287u);
        QCOMPARE(lab.fakes.sockets.openSessions, 0);
        QVERIFY(lab.fakes.toolkit.messages.empty());
    }

    void signedAddressReadsTheStoredBytesLittleEndian() {
        QCOMPARE(ping::PingPage::signedAddressText(::inet_addr("127.0.0.1")), QString("16777343"));
        QCOMPARE(ping::PingPage::signedAddressText(::inet_addr("192.168.1.1")),
                 QString("16885952"));
        QCOMPARE(ping::PingPage::signedAddressText(::inet_addr("10.0.0.200")),
                 QString("-939524086"));
        Lab lab({"10.0.0.200", 7});
        QCOMPARE(lab.ping("10.0.0.200").at(1), QString("-939524086"));
    }

    void textThatIsNoDottedAddressShowsBadFormatAndZeros() {
        for (const QString address : {"", "server01", "255.255.255.255", "1.2.3.4.5"}) {
            Lab lab;
            lab.page.Text5[4]->setText("earlier data");
            QCOMPARE(lab.ping(address), (QStringList{"-1   [ inet_addr: bad IP format ]", "0",
                                                     "0 ms", "0 bytes", "earlier data", "0"}));
            QVERIFY(lab.route.calls.empty());
            QVERIFY(lab.fakes.toolkit.messages.empty());
        }
    }

    void timeOutShowsItsStatusAndKeepsEarlierData() {
        Lab lab({"10.0.0.9", 1, 0, true});
        lab.page.Text5[4]->setText("earlier data");
        const QStringList boxes = lab.ping("10.0.0.9");
        QCOMPARE(boxes[0], QString("11010   [ ip req timed out ]"));
        QCOMPARE(boxes[4], QString("earlier data"));
    }

    void noIcmpHandleIsAGeneralFailure() {
        Lab lab;
        lab.route.refuseHandle = true;
        QCOMPARE(lab.ping("127.0.0.1"),
                 (QStringList{"11050   [ ip general failure ]", "0", "0 ms", "0 bytes", "", "0"}));
    }

    void sessionThatCannotStartChangesNothing() {
        Lab lab;
        lab.page.Text5[0]->setText("before");
        lab.fakes.sockets.startFails = true;
        QCOMPARE(lab.ping("127.0.0.1"), (QStringList{"before", "", "", "", "", ""}));
        QCOMPARE(lab.fakes.toolkit.messages.size(), 1u);
        QCOMPARE(
            lab.fakes.toolkit.messages[0].text,
            QString(
                "Windows Sockets for 32 bit Windows environments is not successfully responding."));
        QCOMPARE(lab.fakes.toolkit.messages[0].title, QString("Tarsino"));
        QVERIFY(lab.route.calls.empty());
    }

    void sessionThatCannotEndWarnsAfterTheBoxesAreWritten() {
        Lab lab;
        lab.fakes.sockets.cleanupFails = true;
        QCOMPARE(lab.ping("127.0.0.1").at(0), QString("0   [ ip success ]"));
        QCOMPARE(lab.fakes.toolkit.messages.size(), 1u);
        QCOMPARE(lab.fakes.toolkit.messages[0].text,
                 QString("Windows Sockets error occurred during Cleanup."));
    }

    void clearEmptiesAllSixBoxesAndKeepsTheInputs() {
        Lab lab;
        lab.ping("127.0.0.1");
        lab.page.bt_clear_ping->click();
        QCOMPARE(lab.boxes(), QStringList(6, QString()));
        QCOMPARE(lab.page.Text6->text(), QString("127.0.0.1"));
        QCOMPARE(lab.page.Text7->text(), QString("who are you"));
        lab.page.bt_clear_ping->click();
        QCOMPARE(lab.boxes(), QStringList(6, QString()));
    }
};

QTEST_MAIN(PingPageTest)
#include "ping_page_test.moc"
