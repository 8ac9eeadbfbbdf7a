// The NetBIOS browse list against real Samba servers: a local master browser
// (nmbd and smbd) and members announcing themselves (nmbd), beside the DNS-SD
// and WS-Discovery peers of tests/lab/hosts_lab.sh, which runs this test on
// its client side (own smb.conf in HOME, own system bus and avahi-daemon).
// The lab itself fails the run when anything of this machine's own /etc, /run
// or Samba folders changed meanwhile.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QtTest>

#include <netdb.h>

#include "cannot_run.h"
#include "platform/discovery/host_merger.h"
#include "platform/discovery/lan_server_browser.h"
#include "platform/discovery/netbios_discoverer.h"

using platform::discovery::DiscoveredHost;
using platform::discovery::HostMerger;
using platform::discovery::NetBiosDiscoverer;

namespace {

// name -> address of the hosts the lab says a browser must find.
QMap<QString, QString> presentHosts(const QString& labDir) {
    QMap<QString, QString> present;
    QFile file(labDir + QStringLiteral("/expected-hosts"));
    if (!file.open(QIODevice::ReadOnly)) return present;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3 && fields[0] == "present")
            present.insert(QString::fromUtf8(fields[1]), QString::fromUtf8(fields[2]));
    }
    return present;
}

QStringList inBrowseOrder(QStringList names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

}  // namespace

class NetBiosLabTest : public QObject {
    Q_OBJECT

private:
    QString labDir_;
    QMap<QString, QString> present_;
    QMap<QString, QString> netbiosHosts_;  // the servers of the browse list

private slots:
    void initTestCase() {
        labDir_ = qEnvironmentVariable("TARSINO_LAB_DIR");
        if (labDir_.isEmpty())
            TARSINO_CANNOT_RUN(
                "runs on the client side of the hosts lab: tests/lab/hosts_lab.sh run --netbios 2 "
                "<this program>");
        present_ = presentHosts(labDir_);
        for (auto host = present_.cbegin(); host != present_.cend(); ++host)
            if (host.key().startsWith(QLatin1String("NBSRV")))
                netbiosHosts_.insert(host.key(), host.value());
        QVERIFY2(netbiosHosts_.size() >= 2, "the lab runs with --netbios 2 or more");
        // The WS-Discovery host also runs nmbd under its own name.
        netbiosHosts_.insert(QStringLiteral("WSPC01"), present_.value(QStringLiteral("WSPC01")));
        QVERIFY(QFile::exists(QDir::homePath() + QStringLiteral("/.smb/smb.conf")));
    }

    void theBrowseListGivesEveryServerWithTheAddressOfItsNameQuery() {
        NetBiosDiscoverer discoverer(QStringLiteral(TARSINO_NETBIOS_BROWSE));
        HostMerger merger;
        connect(&discoverer, &NetBiosDiscoverer::discovered, this,
                [&merger](const DiscoveredHost& host) { merger.add(host, 0); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(discoverer.start());
        QTRY_VERIFY_WITH_TIMEOUT(discoverer.isFinished(), 10000);
        // Reported, not asserted: speed is for benchmarks on a quiet machine.
        qInfo("browse list and name queries: %lld ms", clock.elapsed());
        QMap<QString, QString> found;
        for (const DiscoveredHost& host : merger.hosts()) found.insert(host.name, host.address);
        QCOMPARE(found, netbiosHosts_);
    }

    // The three sources together: each computer once, in name order, every
    // one with its address.
    void theBrowserMergesTheBrowseListWithTheOtherSources() {
        const std::unique_ptr<platform::ServerBrowser> browser = platform::makeLanServerBrowser();
        std::uint32_t resumeHandle = 0;
        QElapsedTimer clock;
        clock.start();
        const platform::ServerEnumResult result = browser->NetServerEnum(resumeHandle);
        qInfo("enumeration: %u hosts in %lld ms", result.entriesRead, clock.elapsed());
        QCOMPARE(result.status, platform::browser_status::Success);
        QStringList names;
        for (const platform::ServerInfo& server : result.servers) {
            const QString name = QString::fromStdU16String(server.name);
            names << name;
            QCOMPARE(QString::fromStdString(server.seenAddress),
                     present_.value(name, "(not expected)"));
        }
        QCOMPARE(names, inBrowseOrder(present_.keys()));
    }

    // Which is why the browse list's names need their name query: the host
    // page's resolver alone would leave them without address.
    void browseListNamesDoNotResolveThroughTheSystemResolver() {
        for (const QString& name : netbiosHosts_.keys()) {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            addrinfo* list = nullptr;
            const int status = ::getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &list);
            if (status == 0) ::freeaddrinfo(list);
            QVERIFY2(status != 0, qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(NetBiosLabTest)
#include "netbios_lab_test.moc"
