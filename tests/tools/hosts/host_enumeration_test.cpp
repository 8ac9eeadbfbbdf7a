// "&Rileva" and "&Annulla" of the host-detection page against a scripted
// browser and resolver: paging, replacing, failures, addresses.

#include <QtTest>

#include "host_page_fixture.h"
#include "tools/hosts/resolution_deadline.h"
#include "tools/hosts/wide_string.h"

using testing_support::HostPageFixture;
using namespace hosts;
namespace status = platform::browser_status;

class HostEnumerationTest : public QObject {
    Q_OBJECT

private slots:
    void threeServersOneUnresolvedAreNumberedInBrowserOrder() {
        HostPageFixture f;
        f.resolver.addHost("alpha", {10, 0, 0, 5});
        f.resolver.addHost("gamma", {10, 0, 0, 7});
        f.browser.addCall(status::Success, {{u"alpha", ""}, {u"beta", ""}, {u"gamma", ""}}, 3);
        f.Txt_hosts->setText(QStringLiteral("old report\r\n"));

        QTest::mouseClick(f.CmdNetDetect, Qt::LeftButton);

        QCOMPARE(f.column(host_column::Number), QStringList({"1", "2", "3"}));
        QCOMPARE(f.column(host_column::Address), QStringList({"10.0.0.5", "", "10.0.0.7"}));
        QCOMPARE(f.column(host_column::HostName), QStringList({"alpha", "beta", "gamma"}));
        for (int column = host_column::User; column <= host_column::Room; ++column)
            QCOMPARE(f.column(column), QStringList({"", "", ""}));
        QCOMPARE(f.Txt_hosts->text(), QString());
        QVERIFY(f.toolkit.messages.empty());
        QCOMPARE(f.browser.receivedHandles.size(), 1u);
        // One session per host, each one closed again.
        QCOMPARE(f.sockets.startups, 3);
        QCOMPARE(f.sockets.openSessions, 0);
    }

    void equalAndEmptyAddressesEachKeepTheirRow() {
        HostPageFixture f;
        f.resolver.addHost("pc1", {10, 0, 0, 9});
        f.resolver.addHost("pc1-alias", {10, 0, 0, 9});
        f.browser.addCall(status::Success,
                          {{u"pc1", ""}, {u"pc1-alias", ""}, {u"lost1", ""}, {u"lost2", ""}}, 4);
        f.page->CmdNetDetect_Click();
        QCOMPARE(f.column(host_column::Address), QStringList({"10.0.0.9", "10.0.0.9", "", ""}));
        QCOMPARE(f.column(host_column::HostName),
                 QStringList({"pc1", "pc1-alias", "lost1", "lost2"}));
    }

    void addressSeenByDiscoveryStandsInForTheResolver() {
        HostPageFixture f;
        f.resolver.addHost("known.local", {10, 0, 0, 1});
        f.browser.addCall(
            status::Success,
            {{u"known.local", "10.0.0.99"}, {u"printer.local", "10.0.0.42"}, {u"ghost", ""}}, 3);
        f.page->CmdNetDetect_Click();
        // The resolver's answer wins where there is one.
        QCOMPARE(f.column(host_column::Address), QStringList({"10.0.0.1", "10.0.0.42", ""}));
    }

    void namesWithoutAnswerInTimeGetTheAddressDiscoverySaw() {
        HostPageFixture f;
        f.resolver.addHost("pc-a", {10, 0, 0, 1});
        f.resolver.addHost("pc-b", {10, 0, 0, 2});
        f.resolver.silent = {"pc-b", "pc-c", "pc-d"};
        f.browser.addCall(
            status::Success,
            {{u"pc-a", "10.9.0.1"}, {u"pc-b", "10.9.0.2"}, {u"pc-c", "10.9.0.3"}, {u"pc-d", ""}},
            4);
        QTest::mouseClick(f.CmdNetDetect, Qt::LeftButton);
        QCOMPARE(f.column(host_column::Address),
                 QStringList({"10.0.0.1", "10.9.0.2", "10.9.0.3", ""}));
        QCOMPARE(f.column(host_column::HostName), QStringList({"pc-a", "pc-b", "pc-c", "pc-d"}));
        // Every name goes to the resolver in one call, so none waits for another.
        QCOMPARE(f.resolver.calls,
                 std::vector<std::vector<std::string>>({{"pc-a", "pc-b", "pc-c", "pc-d"}}));
        QCOMPARE(f.sockets.startups, 4);
        QCOMPARE(f.sockets.openSessions, 0);
        QVERIFY(f.toolkit.messages.empty());
    }

    void lookupsEndWithinTheBoundCountedFromTheClick() {
        using std::chrono::milliseconds;
        HostPageFixture f;
        f.browser.addCall(status::Success, {{u"a", ""}}, 1);
        const auto beforeClick = std::chrono::steady_clock::now();
        f.page->CmdNetDetect_Click();
        QCOMPARE(f.resolver.deadlines.size(), 1u);
        const auto deadline = f.resolver.deadlines[0];
        const auto called = f.resolver.callTimes[0];
        // Bounds that hold however slowly the click reaches the resolver; the
        // short while of a late call is the pure function's, below.
        QVERIFY(deadline >= beforeClick + HostsListedWithin);
        QVERIFY(deadline <= called + HostsListedWithin);

        // A browser that took most or all of the bound still leaves the
        // lookups a short while, counted from when it returned.
        const std::chrono::steady_clock::time_point click{};
        const auto quick = click + HostsListedWithin - ShortestResolution - milliseconds(100);
        QCOMPARE(resolutionDeadline(click, quick), click + HostsListedWithin);
        const auto late = click + HostsListedWithin - milliseconds(100);
        QCOMPARE(resolutionDeadline(click, late), late + ShortestResolution);
        const auto overdue = click + 3 * HostsListedWithin;
        QCOMPARE(resolutionDeadline(click, overdue), overdue + ShortestResolution);
    }

    void pagingGoesOnWithMoreDataThenStops() {
        HostPageFixture f;
        f.browser.addCall(status::MoreData, {{u"a", ""}, {u"b", ""}}, 4, 2);
        f.browser.addCall(status::Success, {}, 0, 2);
        f.page->CmdNetDetect_Click();
        QCOMPARE(f.browser.receivedHandles, std::vector<std::uint32_t>({0, 2}));
        // The second call read nothing: its error box, and the first call's rows stay.
        QCOMPARE(f.column(host_column::HostName), QStringList({"a", "b"}));
        QCOMPARE(f.toolkit.messages.size(), 1u);
        QCOMPARE(f.toolkit.messages[0].text, QString("Errore di NetServerEnum: 0"));
    }

    void laterCallWithEntriesReplacesListAndRenumbers() {
        HostPageFixture f;
        f.browser.addCall(status::MoreData, {{u"a", ""}, {u"b", ""}}, 5, 2);
        f.browser.addCall(status::Success, {{u"c", ""}, {u"d", ""}, {u"e", ""}}, 3, 5);
        f.page->CmdNetDetect_Click();
        QCOMPARE(f.column(host_column::Number), QStringList({"1", "2", "3"}));
        QCOMPARE(f.column(host_column::HostName), QStringList({"c", "d", "e"}));
        QVERIFY(f.toolkit.messages.empty());
    }

    void failureOrNoEntryShowsErrorAndKeepsList() {
        HostPageFixture f;
        f.browser.addCall(status::Success, {{u"kept", ""}}, 1);
        f.browser.addCall(status::NoBrowserServers, {}, 0);
        f.browser.addCall(0xFFFFFFFFu, {}, 0);
        f.browser.addCall(status::Success, {}, 0);
        f.page->CmdNetDetect_Click();
        QTreeWidgetItem* row = f.Lv_hosts->topLevelItem(0);
        row->setText(host_column::User, QStringLiteral("Rossi"));

        for (const char* expected : {"Errore di NetServerEnum: 6118", "Errore di NetServerEnum: -1",
                                     "Errore di NetServerEnum: 0"}) {
            f.toolkit.messages.clear();
            f.page->CmdNetDetect_Click();
            QCOMPARE(f.toolkit.messages.size(), 1u);
            QCOMPARE(f.toolkit.messages[0].text, QString(expected));
            QCOMPARE(f.toolkit.messages[0].buttons, ui::MessageButtons::Ok);
            QCOMPARE(f.toolkit.messages[0].icon, ui::MessageIcon::None);
            QCOMPARE(f.toolkit.messages[0].title, QString("Tarsino"));
            QCOMPARE(f.Lv_hosts->topLevelItemCount(), 1);
            QCOMPARE(f.Lv_hosts->topLevelItem(0), row);
            QCOMPARE(f.cell(0, host_column::User), QString("Rossi"));
        }
    }

    void callWithoutProgressEndsTheLoop() {
        HostPageFixture f;
        // "More to come" for ever, with the resume handle never moving.
        f.browser.addCall(status::MoreData, {{u"a", ""}}, 50, 0);
        f.browser.repeatLast = true;
        f.page->CmdNetDetect_Click();
        QCOMPARE(f.browser.receivedHandles.size(), 1u);
        QCOMPARE(f.column(host_column::HostName), QStringList({"a"}));

        // Moving handles, but no end: bounded by the entries announced.
        HostPageFixture g;
        for (std::uint32_t call = 1; call <= 20; ++call)
            g.browser.addCall(status::MoreData, {{u"x", ""}}, 3, call);
        g.page->CmdNetDetect_Click();
        QCOMPARE(g.browser.receivedHandles.size(), 3u);

        // A failing call that reads nothing ends it too.
        HostPageFixture h;
        h.browser.addCall(status::NoBrowserServers, {}, 7, 1);
        h.browser.repeatLast = true;
        h.page->CmdNetDetect_Click();
        QCOMPARE(h.browser.receivedHandles.size(), 1u);
        QCOMPARE(h.toolkit.messages.size(), 1u);
    }

    void entriesReadBeyondDeliveredServersAreNotInvented() {
        HostPageFixture f;
        f.browser.addCall(status::Success, {{u"only", ""}}, 1);
        f.browser.script[0].result.entriesRead = 5;
        f.browser.script[0].result.totalEntries = 5;
        f.page->CmdNetDetect_Click();
        QCOMPARE(f.column(host_column::HostName), QStringList({"only"}));
    }

    void clearEmptiesDomainReportAndList() {
        HostPageFixture f;
        f.browser.addCall(status::Success, {{u"a", ""}, {u"b", ""}}, 2);
        f.page->CmdNetDetect_Click();
        f.txt_domain->setText(QStringLiteral("ufficio.local"));
        f.Txt_hosts->setText(QStringLiteral("<html>\r\n"));
        QTest::mouseClick(f.btn_clearDominio, Qt::LeftButton);
        QCOMPARE(f.txt_domain->text(), QString());
        QCOMPARE(f.Txt_hosts->text(), QString());
        QCOMPARE(f.Lv_hosts->topLevelItemCount(), 0);
        QVERIFY(f.toolkit.messages.empty());
    }

    void failingSessionStillListsHostAndWarnsPerHost() {
        HostPageFixture f;
        f.sockets.startFails = true;
        f.browser.addCall(status::Success, {{u"a", ""}, {u"b", "10.0.0.2"}}, 2);
        f.page->CmdNetDetect_Click();
        QCOMPARE(f.Lv_hosts->topLevelItemCount(), 2);
        QCOMPARE(f.toolkit.messages.size(), 2u);
        QCOMPARE(f.toolkit.messages[0].text,
                 QString("Windows Sockets error occurred during Cleanup."));
    }

    void wideStringIsBoundedAndNulTerminated() {
        const char16_t* null = nullptr;
        QCOMPARE(NetDetect::WideStringFromPointer(null), QString());
        const char16_t* name = u"Sala-Riunioni-\u00e8";
        QCOMPARE(NetDetect::WideStringFromPointer(name),
                 QString::fromUtf16(u"Sala-Riunioni-\u00e8"));
        const std::u16string exact(499, u'n');
        const char16_t* exactPointer = exact.c_str();
        QCOMPARE(NetDetect::WideStringFromPointer(exactPointer).size(), 499);
        // No NUL within the bound: exactly 499 characters are read, no more
        // (the sanitizer build catches any read past the array).
        std::array<char16_t, 499> unterminated;
        unterminated.fill(u'x');
        const char16_t* unterminatedPointer = unterminated.data();
        QCOMPARE(NetDetect::WideStringFromPointer(unterminatedPointer), QString(499, QChar('x')));
    }
};

QTEST_MAIN(HostEnumerationTest)
#include "host_enumeration_test.moc"
