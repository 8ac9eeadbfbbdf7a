// How the browse list is put together: one entry per machine however many
// ways it was found, in name order, and only computers of our own workgroup
// or domain.

#include <QtTest>

#include "platform/discovery/host_merger.h"
#include "platform/discovery/primary_group.h"

using namespace platform::discovery;

namespace {

constexpr auto Mdns = DiscoveredHost::Naming::Mdns;
constexpr auto Workgroup = DiscoveredHost::Naming::Workgroup;
// Any three identities: the merge only tells them apart.
constexpr HostMerger::Source DnsSd = 1, Wsd = 2, NetBios = 3;

struct Report {
    QString name, address;
    DiscoveredHost::Naming naming;
    HostMerger::Source source;
};

// "NAME@ADDRESS" per listed host, in list order.
QStringList listed(const HostMerger& merger) {
    QStringList rows;
    for (const DiscoveredHost& host : merger.hosts())
        rows << host.name + QLatin1Char('@') + host.address;
    return rows;
}

}  // namespace

Q_DECLARE_METATYPE(QList<Report>)

class BrowseListTest : public QObject {
    Q_OBJECT

private slots:
    void hostsAreListedOncePerNameInNameOrder() {
        HostMerger merger;
        merger.add({"srv02.local", "10.0.0.2"}, DnsSd);
        merger.add({"PC-ANNA", "10.0.0.7"}, Wsd);
        merger.add({"Srv02.LOCAL", "10.0.0.99"},
                   Wsd);  // the same host again, from the other method
        merger.add({"alpha", ""}, NetBios);
        merger.add({"ALPHA", "10.0.0.1"}, Wsd);  // fills in the address the first report lacked
        merger.add({"", "10.0.0.5"}, Wsd);       // a nameless report is no host
        merger.add({"pc-bruno", "10.0.0.8"}, Wsd);

        const QList<DiscoveredHost> hosts = merger.hosts();
        QStringList names, addresses;
        for (const DiscoveredHost& host : hosts) {
            names << host.name;
            addresses << host.address;
        }
        QCOMPARE(names, QStringList({"alpha", "PC-ANNA", "pc-bruno", "srv02.local"}));
        QCOMPARE(addresses, QStringList({"10.0.0.1", "10.0.0.7", "10.0.0.8", "10.0.0.2"}));
    }

    void reportsOfOneMachineMergeIntoOneRow_data() {
        QTest::addColumn<QList<Report>>("reports");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Samba announced by DNS-SD and WS-Discovery")
            << QList<Report>{{"srv05.local", "10.0.0.5", Mdns, DnsSd},
                             {"SRV05", "10.0.0.5", Workgroup, Wsd}}
            << QStringList{"SRV05@10.0.0.5"};
        QTest::newRow("the workgroup's name wins whichever came first")
            << QList<Report>{{"SRV05", "10.0.0.5", Workgroup, Wsd},
                             {"srv05.local", "10.0.0.5", Mdns, DnsSd}}
            << QStringList{"SRV05@10.0.0.5"};
        QTest::newRow("same address, unrelated names, two sources")
            << QList<Report>{{"nas.local", "10.0.0.9", Mdns, DnsSd},
                             {"ARCHIVIO", "10.0.0.9", Workgroup, NetBios}}
            << QStringList{"ARCHIVIO@10.0.0.9"};
        QTest::newRow("same name, no address yet from the browse list")
            << QList<Report>{{"SRV05", "", Workgroup, NetBios},
                             {"Srv05.Local", "10.0.0.5", Mdns, DnsSd}}
            << QStringList{"SRV05@10.0.0.5"};
        QTest::newRow("same name, addresses of two interfaces: the workgroup name's")
            << QList<Report>{{"srv05.local", "10.0.1.5", Mdns, DnsSd},
                             {"SRV05", "10.0.0.5", Workgroup, Wsd}}
            << QStringList{"SRV05@10.0.0.5"};
        QTest::newRow("one source, two names at one address: two hosts")
            << QList<Report>{{"SRV05", "10.0.0.5", Workgroup, NetBios},
                             {"ARCHIVIO", "10.0.0.5", Workgroup, NetBios}}
            << QStringList{"ARCHIVIO@10.0.0.5", "SRV05@10.0.0.5"};
        QTest::newRow("one source, two mDNS names at one address: two hosts")
            << QList<Report>{{"zeta.local", "10.0.0.3", Mdns, DnsSd},
                             {"beta.local", "10.0.0.3", Mdns, DnsSd}}
            << QStringList{"beta.local@10.0.0.3", "zeta.local@10.0.0.3"};
        QTest::newRow("two sources, two workgroup names of one address: the first in name order")
            << QList<Report>{{"RESOLVEDPC", "10.0.0.2", Workgroup, Wsd},
                             {"GOODPC", "10.0.0.2", Workgroup, NetBios}}
            << QStringList{"GOODPC@10.0.0.2"};
        QTest::newRow("aliases stay apart though other sources name the machine too")
            << QList<Report>{{"SRV05", "10.0.0.5", Workgroup, NetBios},
                             {"ALIAS", "10.0.0.5", Workgroup, NetBios},
                             {"srv05.local", "10.0.0.5", Mdns, DnsSd},
                             {"SRV05", "10.0.0.5", Workgroup, Wsd}}
            << QStringList{"ALIAS@10.0.0.5", "SRV05@10.0.0.5"};
        QTest::newRow("another source's name joins the first alias in name order")
            << QList<Report>{{"nas.local", "10.0.0.9", Mdns, DnsSd},
                             {"BACKUP", "10.0.0.9", Workgroup, NetBios},
                             {"ARCHIVIO", "10.0.0.9", Workgroup, NetBios}}
            << QStringList{"ARCHIVIO@10.0.0.9", "BACKUP@10.0.0.9"};
        QTest::newRow("linked through a third report")
            << QList<Report>{{"SRV05", "", Workgroup, NetBios},
                             {"nas", "10.0.0.5", Workgroup, Wsd},
                             {"srv05.local", "10.0.0.5", Mdns, DnsSd}}
            << QStringList{"nas@10.0.0.5"};
        QTest::newRow("empty addresses are no common address")
            << QList<Report>{{"ALFA", "", Workgroup, Wsd}, {"BETA", "", Workgroup, NetBios}}
            << QStringList{"ALFA@", "BETA@"};
        QTest::newRow("only an mDNS name loses its .local")
            << QList<Report>{{"pc.local", "10.0.0.1", Workgroup, Wsd},
                             {"PC", "10.0.0.2", Workgroup, Wsd},
                             {".local", "10.0.0.3", Mdns, DnsSd},
                             {"LOCAL", "10.0.0.4", Workgroup, Wsd}}
            << QStringList{".local@10.0.0.3", "LOCAL@10.0.0.4", "PC@10.0.0.2", "pc.local@10.0.0.1"};
        QTest::newRow("other domains stay part of the name")
            << QList<Report>{{"srv05.example.com", "10.0.0.5", Mdns, DnsSd},
                             {"SRV05", "10.0.0.6", Workgroup, Wsd}}
            << QStringList{"SRV05@10.0.0.6", "srv05.example.com@10.0.0.5"};
        QTest::newRow("machines stay in name order")
            << QList<Report>{{"srv02.local", "10.0.0.2", Mdns, DnsSd},
                             {"ALFA", "10.0.0.7", Workgroup, Wsd},
                             {"srv01.local", "10.0.0.1", Mdns, DnsSd},
                             {"SRV02", "10.0.0.2", Workgroup, Wsd},
                             {"beta.local", "10.0.0.8", Mdns, DnsSd}}
            << QStringList{"ALFA@10.0.0.7", "beta.local@10.0.0.8", "srv01.local@10.0.0.1",
                           "SRV02@10.0.0.2"};
    }

    void reportsOfOneMachineMergeIntoOneRow() {
        QFETCH(QList<Report>, reports);
        QFETCH(QStringList, expected);
        HostMerger forward, backward;
        for (const Report& report : reports)
            forward.add({report.name, report.address, report.naming}, report.source);
        for (auto report = reports.crbegin(); report != reports.crend(); ++report)
            backward.add({report->name, report->address, report->naming}, report->source);
        QCOMPARE(listed(forward), expected);
        // Which method answers first varies from click to click; the list does not.
        QCOMPARE(listed(backward), expected);
    }

    void repeatedReportsAddNothing() {
        HostMerger merger;
        for (int i = 0; i < 1000; ++i) {
            merger.add({"SRV05", "10.0.0.5", Workgroup}, Wsd);
            merger.add({"srv05.local", "10.0.0.5", Mdns}, DnsSd);
        }
        QCOMPARE(listed(merger), QStringList{"SRV05@10.0.0.5"});
    }

    void theOrderDoesNotDependOnWhichMethodAnsweredFirst() {
        HostMerger forward, backward;
        const QList<DiscoveredHost> reports = {{"b", "1"}, {"A", "2"}, {"c", "3"}, {"a", "4"}};
        for (const DiscoveredHost& host : reports) forward.add(host, Wsd);
        for (auto host = reports.crbegin(); host != reports.crend(); ++host)
            backward.add(*host, Wsd);
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
        QCOMPARE(primaryGroupFromSmbConf("[global]\nworkgroup =\n", {}).workgroup,
                 QStringLiteral("WORKGROUP"));
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
