// The NetBIOS source where the network or its helper program misbehave: no
// helper at all, no master browser, a helper that hangs, and a name service
// peer that answers with stray, foreign, negative and oversized datagrams
// beside sound ones. Each case runs in namespaces of its own.

#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "cannot_run.h"
#include "lab_peer.h"
#include "netns_lab.h"
#include "platform/discovery/host_merger.h"
#include "platform/discovery/netbios_discoverer.h"
#include "platform/discovery/netbios_name_query.h"

using platform::discovery::DiscoveredHost;
using platform::discovery::HostMerger;
using platform::discovery::NetBiosDiscoverer;
using platform::discovery::NetBiosNameResolver;
using testing_support::boundUdpSocket;
using testing_support::NetnsLab;
using testing_support::PeerThread;
namespace netbios = platform::discovery::netbios;

namespace {

const char* const ClaimedAddress = "10.202.9.77";  // what the answers say, not where they come from

QByteArray answer(quint16 id, const QString& name, quint16 flags = 0x8500, qsizetype padding = 0) {
    QByteArray packet;
    for (const quint16 value : {id, flags, quint16(0), quint16(1), quint16(0), quint16(0)})
        packet += QByteArray(1, char(value >> 8)) + char(value & 0xFF);
    packet += *netbios::encodeName(name, netbios::ServerSuffix);
    packet += QByteArray::fromHex("00200001000493e000060000");
    const quint32 address = ntohl(::inet_addr(ClaimedAddress));
    for (int shift = 24; shift >= 0; shift -= 8) packet += char((address >> shift) & 0xFF);
    return packet + QByteArray(padding, '\0');
}

// A name service peer of the test's making: answers PEER01 soundly after a
// flood of bad datagrams, PADDED only with an oversized datagram, and never
// GHOST, whose queries it counts.
class CraftedNameService {
public:
    CraftedNameService(const NetnsLab& lab, const QString& ns)
        : thread_(lab, ns, [this](PeerThread& peer) { serve(peer); }) {}
    bool listening() const { return thread_.listening(); }
    int queriesFor(const QString& name) {
        std::lock_guard lock(mutex_);
        return queries_.value(name);
    }

private:
    void serve(PeerThread& peer) {
        const int udp = boundUdpSocket("0.0.0.0", netbios::NameServicePort);
        peer.report(udp >= 0);
        while (udp >= 0 && peer.running()) {
            pollfd fd{udp, POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0) continue;
            QByteArray query(2048, '\0');
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t size = ::recvfrom(udp, query.data(), query.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (size < 50) continue;
            query.truncate(size);
            const quint16 id = quint16((quint8(query[0]) << 8) | quint8(query[1]));
            const auto reply = [&](const QByteArray& datagram) {
                ::sendto(udp, datagram.constData(), datagram.size(), 0,
                         reinterpret_cast<sockaddr*>(&from), fromLength);
            };
            for (const QString& name :
                 {QStringLiteral("PEER01"), QStringLiteral("PADDED"), QStringLiteral("GHOST")}) {
                if (query.mid(12, 34) != *netbios::encodeName(name, netbios::ServerSuffix))
                    continue;
                {
                    std::lock_guard lock(mutex_);
                    ++queries_[name];
                }
                if (name == QLatin1String("PADDED")) reply(answer(id, name, 0x8500, 600));
                if (name != QLatin1String("PEER01")) break;
                reply(answer(id + 1, name));                  // another query's
                reply(answer(id, QStringLiteral("PEER02")));  // another name's
                reply(answer(id, name, 0x8583));              // negative
                reply(answer(id, name).left(60));             // truncated
                reply(QByteArray(3, '\x7f'));
                reply(answer(id, name));
            }
        }
        if (udp >= 0) ::close(udp);
    }

    std::mutex mutex_;
    QHash<QString, int> queries_;
    PeerThread thread_;
};

// A stand-in for the browse helper: a shell script with the given body.
QString script(const QTemporaryDir& folder, const QString& name, const QByteArray& body) {
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write("#!/bin/sh\n" + body);
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Runs a discoverer to its end; the hosts it found, merged.
QMap<QString, QString> discover(NetBiosDiscoverer& discoverer) {
    HostMerger merger;
    QObject::connect(&discoverer, &NetBiosDiscoverer::discovered,
                     [&merger](const DiscoveredHost& host) { merger.add(host, 0); });
    if (!discoverer.start()) return {{QStringLiteral("(did not start)"), {}}};
    QDeadlineTimer bound(15000);
    while (!discoverer.isFinished() && !bound.hasExpired()) QTest::qWait(10);
    QMap<QString, QString> found;
    for (const DiscoveredHost& host : merger.hosts()) found.insert(host.name, host.address);
    if (!discoverer.isFinished()) found.insert(QStringLiteral("(never finished)"), {});
    return found;
}

}  // namespace

class NetBiosDiscovererNetnsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;

    // A client namespace linked to a peer namespace; the calling thread is
    // moved into the client's by the caller.
    static bool buildLab(NetnsLab& lab) {
        return !lab.addNamespace("client").isEmpty() && !lab.addNamespace("peer").isEmpty() &&
               lab.link("client", "veth0", "10.202.0.1/24", "peer", "veth0", "10.202.0.2/24");
    }

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        // libsmbclient reads ~/.smb/smb.conf before the system's: the test's
        // own, keeping its files in the test's folder.
        const QString home = folder_.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home + QStringLiteral("/.smb")) &&
                QDir().mkpath(home + QStringLiteral("/samba")));
        QFile config(home + QStringLiteral("/.smb/smb.conf"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("[global]\n   workgroup = NOMASTER\n").toUtf8());
        for (const char* directory : {"lock directory", "state directory", "cache directory",
                                      "private dir", "pid directory", "ncalrpc dir"})
            config.write(
                QStringLiteral("   %1 = %2/samba\n").arg(QLatin1String(directory), home).toUtf8());
        config.close();
        qputenv("HOME", home.toLocal8Bit());
    }

    void withoutItsHelperProgramTheSourceCannotRun() {
        NetBiosDiscoverer discoverer(folder_.filePath(QStringLiteral("no-such-program")));
        QVERIFY(!discoverer.start());
        QVERIFY(!discoverer.isFinished());
    }

    // libsmbclient finds no master browser for the workgroup (ECONNREFUSED):
    // simply nothing from this source.
    void aWorkgroupWithoutMasterBrowserGivesNoServer() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("nbnone"));
        QVERIFY(buildLab(lab));
        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        NetBiosDiscoverer discoverer(QStringLiteral(TARSINO_NETBIOS_BROWSE));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(discover(discoverer), (QMap<QString, QString>()));
        qInfo("no master browser: finished after %lld ms", clock.elapsed());
    }

    void aHelperThatHangsIsKilledAndGivesNoServer() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("nbhang"));
        QVERIFY(buildLab(lab));
        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        const QString pidFile = folder_.filePath(QStringLiteral("hanging.pid"));
        NetBiosDiscoverer discoverer(
            script(folder_, QStringLiteral("hang"),
                   "echo $$ >" + pidFile.toLocal8Bit() + "\necho PEER01\nexec sleep 60\n"));
        QCOMPARE(discover(discoverer), (QMap<QString, QString>()));
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pid = file.readAll().trimmed();
        QVERIFY(!pid.isEmpty());
        QVERIFY2(!QFileInfo::exists("/proc/" + QString::fromLatin1(pid)), "the helper is gone");
    }

    void aFailingHelperGivesNoServerEvenWithOutput() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("nbfail"));
        QVERIFY(buildLab(lab));
        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        NetBiosDiscoverer discoverer(
            script(folder_, QStringLiteral("fail"), "echo PEER01\nexit 1\n"));
        QCOMPARE(discover(discoverer), (QMap<QString, QString>()));
    }

    // Every plausible listed name is reported once; an address only from a
    // sound answer to our own query about that name.
    void namesGetTheAddressOfTheirSoundAnswerOnly() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("nbcraft"));
        QVERIFY(buildLab(lab));
        CraftedNameService peer(lab, "peer");
        QVERIFY(peer.listening());
        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        NetBiosDiscoverer discoverer(
            script(folder_, QStringLiteral("list"),
                   "printf 'PEER01\\nGHOST\\n\\001BAD\\n\\nPADDED\\npeer01\\n'\n"));
        const QMap<QString, QString> expected{
            {QStringLiteral("GHOST"), QString()},
            {QStringLiteral("PADDED"), QString()},
            {QStringLiteral("PEER01"), QString::fromLatin1(ClaimedAddress)}};
        QCOMPARE(discover(discoverer), expected);
        // An unanswered name is asked again, a bounded number of times.
        QCOMPARE(peer.queriesFor(QStringLiteral("GHOST")), NetBiosNameResolver::Attempts);
    }
};

QTEST_GUILESS_MAIN(NetBiosDiscovererNetnsTest)
#include "netbios_discoverer_netns_test.moc"
