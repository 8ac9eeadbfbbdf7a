// The network browser against real peers: avahi-daemons publishing SMB
// servers, wsdd hosts in our workgroup and in another one, servers running
// both (listed once, by their workgroup name) and one whose mDNS name holds a
// control character, all in the namespace lab of tests/lab/hosts_lab.sh,
// which runs this test on its client side (own system bus, avahi-daemon and
// smb.conf).

#include <QtTest>

#include <arpa/inet.h>
#include <netdb.h>

#include "cannot_run.h"
#include "hosts_lab_expectations.h"
#include "platform/discovery/lan_server_browser.h"
#include "server_enumeration.h"

using testing_support::HostsLabExpectations;

namespace {

QString resolveIPv4(const QString& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* list = nullptr;
    if (::getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &list) != 0) return {};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr, text,
                sizeof text);
    ::freeaddrinfo(list);
    return QString::fromLatin1(text);
}

}  // namespace

class LanServerBrowserLabTest : public QObject {
    Q_OBJECT

private slots:
    void listsExactlyTheHostsOfOurWorkgroupInNameOrderWithTheirAddresses() {
        if (const QString why = HostsLabExpectations::skipReason(); !why.isEmpty())
            TARSINO_CANNOT_RUN(why);
        const auto expected = HostsLabExpectations::read();
        QVERIFY2(!expected.present.isEmpty() && !expected.absent.isEmpty(),
                 "the lab lists its hosts");

        const QStringList expectedNames = expected.presentInListOrder();

        const std::unique_ptr<platform::ServerBrowser> browser = platform::makeLanServerBrowser();
        // A second enumeration starts afresh and finds the same hosts.
        for (int round = 0; round < 2; ++round) {
            QElapsedTimer clock;
            clock.start();
            const platform::ServerEnumResult result = testing_support::enumerateFromStart(*browser);
            // Reported, not asserted: speed is for benchmarks on a quiet machine.
            qInfo("enumeration %d: %u hosts in %lld ms", round + 1, result.entriesRead,
                  clock.elapsed());
            QCOMPARE(result.status, platform::browser_status::Success);
            QCOMPARE(result.entriesRead, result.totalEntries);
            QCOMPARE(result.servers.size(), std::size_t(result.entriesRead));
            QStringList names;
            for (const platform::ServerInfo& server : result.servers) {
                const QString name = QString::fromStdU16String(server.name);
                names << name;
                QCOMPARE(QString::fromStdString(server.seenAddress),
                         expected.present.value(name, "(not expected)"));
            }
            QCOMPARE(names, expectedNames);
        }
    }

    // The names DNS-SD delivers are those the system resolver knows, through
    // nss-mdns and the client's avahi-daemon, as the host page will ask.
    void mdnsNamesResolveThroughTheSystemResolver() {
        if (const QString why = HostsLabExpectations::skipReason(); !why.isEmpty())
            TARSINO_CANNOT_RUN(why);
        const auto expected = HostsLabExpectations::read();
        for (auto host = expected.present.cbegin(); host != expected.present.cend(); ++host)
            if (host.key().endsWith(QLatin1String(".local")))
                QCOMPARE(resolveIPv4(host.key()), host.value());
    }
};

QTEST_GUILESS_MAIN(LanServerBrowserLabTest)
#include "lan_server_browser_lab_test.moc"
