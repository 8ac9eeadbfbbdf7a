// How the browse list is put together: one entry per name whatever its case,
// in name order, and only computers of our own workgroup or domain.

#include <QtTest>

#include "platform/discovery/host_merger.h"
#include "platform/discovery/primary_group.h"

using namespace platform::discovery;

class BrowseListTest : public QObject {
    Q_OBJECT

private slots:
    void hostsAreListedOncePerNameInNameOrder() {
        HostMerger merger;
        merger.add({"srv02.local", "10.0.0.2"});
        merger.add({"PC-ANNA", "10.0.0.7"});
        merger.add({"Srv02.LOCAL", "10.0.0.99"});  // the same host again, from the other method
        merger.add({"alpha", ""});
        merger.add({"ALPHA", "10.0.0.1"});  // fills in the address the first report lacked
        merger.add({"", "10.0.0.5"});       // a nameless report is no host
        merger.add({"pc-bruno", "10.0.0.8"});

        const QList<DiscoveredHost> hosts = merger.hosts();
        QStringList names, addresses;
        for (const DiscoveredHost& host : hosts) {
            names << host.name;
            addresses << host.address;
        }
        QCOMPARE(names, QStringList({"alpha", "PC-ANNA", "pc-bruno", "srv02.local"}));
        QCOMPARE(addresses, QStringList({"10.0.0.1", "10.0.0.7", "10.0.0.8", "10.0.0.2"}));
    }

    void theOrderDoesNotDependOnWhichMethodAnsweredFirst() {
        HostMerger forward, backward;
        const QList<DiscoveredHost> reports = {{"b", "1"}, {"A", "2"}, {"c", "3"}, {"a", "4"}};
        for (const DiscoveredHost& host : reports) forward.add(host);
        for (auto host = reports.crbegin(); host != reports.crend(); ++host) backward.add(*host);
        QStringList forwardNames, backwardNames;
        for (const DiscoveredHost& host : forward.hosts()) forwardNames << host.name.toLower();
        for (const DiscoveredHost& host : backward.hosts()) backwardNames << host.name.toLower();
        QCOMPARE(forwardNames, QStringList({"a", "b", "c"}));
        QCOMPARE(backwardNames, forwardNames);
    }

    void workgroupAndRealmComeFromTheGlobalSection() {
        const PrimaryGroup group = primaryGroupFromSmbConf(
            "# a comment\n"
            "[homes]\n   workgroup = NOTTHIS\n"
            "[ Global ]\n"
            ";  workgroup = COMMENTED\n"
            "   Work Group = Ufficio\r\n"
            "   realm = CORP.\\\nEXAMPLE.COM\n"
            "[printers]\n   realm = nothis.example\n",
            "fallback.example");
        QCOMPARE(group.workgroup, QStringLiteral("Ufficio"));
        QCOMPARE(group.dnsDomain, QStringLiteral("CORP.EXAMPLE.COM"));

        const PrimaryGroup defaults = primaryGroupFromSmbConf("", "lan.example");
        QCOMPARE(defaults.workgroup, QStringLiteral("WORKGROUP"));
        QCOMPARE(defaults.dnsDomain, QStringLiteral("lan.example"));
        QCOMPARE(primaryGroupFromSmbConf("[global]\nworkgroup =\n", {}).workgroup, QStringLiteral("WORKGROUP"));
    }

    void membershipIsComparedWithoutRegardToCase() {
        const PrimaryGroup group{"Ufficio", "corp.example.com"};
        QVERIFY(group.contains("UFFICIO"));
        QVERIFY(group.contains("ufficio"));
        QVERIFY(group.contains("CORP.EXAMPLE.COM"));
        QVERIFY(!group.contains("MAGAZZINO"));
        QVERIFY(!group.contains(""));
        QVERIFY(!PrimaryGroup({"WORKGROUP", ""}).contains(""));
    }

    void aMissingConfigurationMeansTheDefaultWorkgroup() {
        QCOMPARE(readPrimaryGroup("/nonexistent/smb.conf").workgroup, QStringLiteral("WORKGROUP"));
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("[global]\n  workgroup = magazzino\n");
        file.close();
        QCOMPARE(readPrimaryGroup(file.fileName()).workgroup, QStringLiteral("magazzino"));
    }
};

QTEST_GUILESS_MAIN(BrowseListTest)
#include "browse_list_test.moc"
