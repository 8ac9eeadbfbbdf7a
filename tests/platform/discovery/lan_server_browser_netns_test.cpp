// The real discoverers where the network gives them little or bad company:
// no avahi-daemon and no interface, an interface with nobody on it, a
// WS-Discovery peer that answers with foreign, broken, repeated and oversized
// replies beside good ones, one whose transport addresses point elsewhere,
// and one that floods. Each runs in namespaces of its own.

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "cannot_run.h"
#include "lab_peer.h"
#include "netns_lab.h"
#include "platform/discovery/dnssd_discoverer.h"
#include "platform/discovery/lan_server_browser.h"
#include "platform/discovery/netbios_discoverer.h"
#include "platform/discovery/netbios_name_query.h"
#include "platform/discovery/wsd_discoverer.h"
#include "server_enumeration.h"
#include "wsd_envelopes.h"

using platform::LanServerBrowser;
using platform::ServerEnumResult;
using platform::discovery::Discoverer;
using namespace testing_support;

namespace {

const char* const ClientAddress = "10.201.0.1";
const char* const PeerAddress = "10.201.0.2";
// A second address of the same peer, for an answer that comes from there.
const char* const PeerSecondAddress = "10.201.0.3";
// Another subnet, which the client reaches only as an address of its own.
const char* const ElsewhereAddress = "10.203.0.9";
// Where the client itself listens, to see whether anyone was sent there.
constexpr quint16 ClientPort = 8631;

QString xaddr(const QString& address, const QString& path, quint16 port = 5357) {
    return QStringLiteral("http://%1:%2/%3").arg(address).arg(port).arg(path);
}

// One ProbeMatch or ResolveMatch (`kind`) from `endpoint`, a bare UUID.
QByteArray match(const QString& kind, const QString& relatesTo, const QString& endpoint,
                 const QString& xaddrs) {
    return wsdMatches(kind + "es", relatesTo, wsdMatchItem(kind, "urn:uuid:" + endpoint, xaddrs));
}

QString captured(const QByteArray& message, const char* pattern) {
    return QRegularExpression(QString::fromLatin1(pattern))
        .match(QString::fromUtf8(message))
        .captured(1);
}

// A WS-Discovery host of the test's making, in its own namespace, which
// answers each Probe by its script and serves metadata over HTTP.
//   Mixed: good and bad replies, the good one only to the second Probe and
//   as late as Windows may answer; the Resolves of its silent endpoint, but
//   the first, from its second address.
//   Lying: one honest endpoint beside endpoints whose transport addresses
//   name the client's loopback and another subnet.
//   Crowded: forty endpoints, all at its own address, all the same computer.
class CraftedPeer {
public:
    enum class Script { Mixed, Lying, Crowded };
    static constexpr int CrowdedEndpoints = 40;

    CraftedPeer(const NetnsLab& lab, const QString& ns, Script script)
        : script_(script), thread_(lab, ns, [this](PeerThread& peer) { serve(peer); }) {}
    bool listening() const { return thread_.listening(); }
    QStringList requestedPaths() {
        std::lock_guard lock(mutex_);
        return paths_;
    }

private:
    void serve(PeerThread& peer) {
        const int udp = boundUdpSocket("0.0.0.0", 3702);
        const int second = script_ == Script::Mixed ? boundUdpSocket(PeerSecondAddress, 0) : -1;
        const int tcp = tcpListener("0.0.0.0", 5357);
        const bool ok = udp >= 0 && (second >= 0 || script_ != Script::Mixed) && tcp >= 0 &&
                        joinDiscoveryGroup(udp, PeerAddress);
        peer.report(ok);
        while (ok && peer.running()) {
            pollfd fds[2] = {{udp, POLLIN, 0}, {tcp, POLLIN, 0}};
            if (::poll(fds, 2, 50) <= 0) continue;
            if (fds[0].revents & POLLIN) answerDatagram(udp, second);
            if (fds[1].revents & POLLIN) answerRequest(tcp);
        }
        for (std::thread& connection : connections_) connection.join();
        for (const int fd : {udp, second, tcp})
            if (fd >= 0) ::close(fd);
    }

    void answerDatagram(int udp, int second) {
        QByteArray datagram(65536, '\0');
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size = ::recvfrom(udp, datagram.data(), datagram.size(), 0,
                                        reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size <= 0) return;
        datagram.resize(size);
        const QString id = captured(datagram, "<wsa:MessageID>([^<]*)</wsa:MessageID>");
        const auto send = [&](const QByteArray& reply, int socket) {
            ::sendto(socket, reply.constData(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from),
                     fromLength);
        };
        const auto probeMatch = [&](const char* endpoint, const QString& xaddrs) {
            send(match("ProbeMatch", id,
                       QStringLiteral("00000000-0000-0000-0000-0000000000") + endpoint, xaddrs),
                 udp);
        };
        const QString loopback = QStringLiteral("127.0.0.1");
        const bool probe = datagram.contains("/discovery/Probe<");
        const bool resolve = datagram.contains("/discovery/Resolve<");
        if (probe && script_ == Script::Mixed) {
            const QByteArray good = match("ProbeMatch", id, "00000000-0000-0000-0000-00000000000a",
                                          xaddr(PeerAddress, "good"));
            send(match("ProbeMatch", "urn:uuid:not-ours", "00000000-0000-0000-0000-00000000000f",
                       xaddr(PeerAddress, "foreign")),
                 udp);
            if (++probesSeen_ == 2)
                connections_.emplace_back([udp, from, fromLength, good] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(450));
                    // Cut short, then whole and again, as SOAP-over-UDP repeats itself.
                    for (const QByteArray& reply : {good.left(good.size() / 2), good, good})
                        ::sendto(udp, reply.constData(), reply.size(), 0,
                                 reinterpret_cast<const sockaddr*>(&from), fromLength);
                });
            probeMatch("0b", xaddr(PeerAddress, "othergroup"));
            probeMatch("0c", xaddr(PeerAddress, "notjoined"));
            probeMatch("0d", xaddr(PeerAddress, "huge"));
            probeMatch("0e", {});
        } else if (resolve && script_ == Script::Mixed && datagram.contains("00000000000e")) {
            // The first Resolve goes unanswered, as if its answer were lost.
            if (++resolvesSeen_ > 1)
                send(match("ResolveMatch", id, "00000000-0000-0000-0000-00000000000e",
                           xaddr(PeerSecondAddress, "resolved")),
                     second);
        } else if (probe && script_ == Script::Lying) {
            probeMatch("0a", xaddr(PeerAddress, "good"));
            probeMatch("11", xaddr(loopback, "loopback", ClientPort));
            probeMatch("12", xaddr(ElsewhereAddress, "elsewhere", ClientPort));
            probeMatch("13", xaddr(loopback, "both", ClientPort) + ' ' +
                                 xaddr(ElsewhereAddress, "both", ClientPort));
            probeMatch("14", {});
        } else if (probe && script_ == Script::Crowded) {
            for (int endpoint = 0; endpoint < CrowdedEndpoints; ++endpoint)
                probeMatch(QByteArray::number(0x20 + endpoint, 16).constData(),
                           xaddr(PeerAddress, "crowded"));
        } else if (resolve && script_ == Script::Lying && datagram.contains("000000000014")) {
            send(match("ResolveMatch", id, "00000000-0000-0000-0000-000000000014",
                       xaddr(loopback, "resolved", ClientPort)),
                 udp);
        }
    }

    // One thread per connection: a client may open a connection it never
    // uses, which must not hold up the others.
    void answerRequest(int tcp) {
        const int connection = ::accept4(tcp, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0)
            connections_.emplace_back([this, connection] { answerConnection(connection); });
    }

    void answerConnection(int connection) {
        timeval limit{2, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        QByteArray request;
        char buffer[4096];
        while (!request.contains("</soap:Envelope>")) {
            const ssize_t size = ::recv(connection, buffer, sizeof buffer, 0);
            if (size <= 0) break;
            request.append(buffer, size);
        }
        const QRegularExpressionMatch requestLine =
            QRegularExpression("^POST /([a-z]*) HTTP").match(QString::fromUtf8(request));
        if (!requestLine.hasMatch()) {
            ::close(connection);
            return;
        }
        const QString path = requestLine.captured(1);
        // As wsdd2 does: a body of any other type, even with a charset added, is
        // refused (header names in any case: Qt 6.8 writes them in lower case).
        static const QRegularExpression soapType(
            "\\r\\n(?i:content-type): application/soap\\+xml\\r\\n");
        if (!soapType.match(QString::fromLatin1(request)).hasMatch()) {
            ::close(connection);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            paths_ << path;
        }
        QByteArray body;
        if (path == "good")
            body = wsdMetadata("GOODPC/Workgroup:TarsinoLab");
        else if (path == "resolved")
            body = wsdMetadata("RESOLVEDPC/Domain:tarsino.example");
        else if (path == "othergroup")
            body = wsdMetadata("OTHERPC/Workgroup:ALTROGRUPPO");
        else if (path == "notjoined")
            body = wsdMetadata("LONELYPC/NotJoined");
        else if (path == "crowded")
            body = wsdMetadata("CROWDEDPC/Workgroup:TARSINOLAB");
        else if (path == "huge")
            body = wsdMetadata("HUGEPC/Workgroup:TARSINOLAB" + QString(1 << 20, ' '));
        const QByteArray reply =
            "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml\r\nConnection: close\r\n"
            "Content-Length: " +
            QByteArray::number(body.size()) + "\r\n\r\n" + body;
        for (qsizetype sent = 0; sent < reply.size();) {
            const ssize_t size =
                ::send(connection, reply.constData() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (size <= 0) break;
            sent += size;
        }
        ::close(connection);
    }

    const Script script_;
    std::mutex mutex_;
    QStringList paths_;
    int resolvesSeen_ = 0;
    int probesSeen_ = 0;
    std::vector<std::thread> connections_;  // only the serving thread touches this
    PeerThread thread_;
};

// A peer that answers every WS-Discovery Probe and NetBIOS name query it
// hears with an endless stream of datagrams to the asking socket: matches to
// someone else's probe, answers about another name.
class FloodingPeer {
public:
    FloodingPeer(const NetnsLab& lab, const QString& ns)
        : thread_(lab, ns, [this](PeerThread& peer) { serve(peer); }) {}
    bool listening() const { return thread_.listening(); }
    // Which of the two kinds of asking sockets got flooded.
    bool floodedDiscovery() const { return discoveryTargets_ > 0; }
    bool floodedNameService() const { return nameServiceTargets_ > 0; }

private:
    struct Target {
        int socket;
        sockaddr_in address;
        const QByteArray* datagram;
    };

    void serve(PeerThread& peer) {
        const int discovery = boundUdpSocket("0.0.0.0", 3702);
        const int nameService =
            boundUdpSocket("0.0.0.0", platform::discovery::netbios::NameServicePort);
        const bool ok =
            discovery >= 0 && nameService >= 0 && joinDiscoveryGroup(discovery, PeerAddress);
        peer.report(ok);
        // Parsed in full before it is found to answer someone else.
        const QByteArray foreignMatch =
            match("ProbeMatch", "urn:uuid:not-ours", "00000000-0000-0000-0000-00000000000f",
                  QString(40, QLatin1Char(' '))
                      .replace(QLatin1String(" "), xaddr(PeerAddress, "x") + ' '));
        QByteArray otherName = QByteArray::fromHex("00008500000000010000000020");
        otherName += QByteArray(32, 'A') + QByteArray(1, '\0') +
                     QByteArray::fromHex("00200001000493e0000600000a0a0a0a");
        std::vector<Target> targets;
        while (ok && peer.running()) {
            pollfd fds[2] = {{discovery, POLLIN, 0}, {nameService, POLLIN, 0}};
            if (::poll(fds, 2, targets.empty() ? 50 : 0) > 0) {
                for (int i = 0; i < 2; ++i) {
                    if (!(fds[i].revents & POLLIN)) continue;
                    char request[2048];
                    sockaddr_in from{};
                    socklen_t fromLength = sizeof from;
                    if (::recvfrom(fds[i].fd, request, sizeof request, 0,
                                   reinterpret_cast<sockaddr*>(&from), &fromLength) <= 0)
                        continue;
                    const bool known =
                        std::any_of(targets.cbegin(), targets.cend(), [&](const Target& target) {
                            return target.address.sin_addr.s_addr == from.sin_addr.s_addr &&
                                   target.address.sin_port == from.sin_port;
                        });
                    if (known || targets.size() >= 64) continue;
                    targets.push_back({fds[i].fd, from, i == 0 ? &foreignMatch : &otherName});
                    ++(i == 0 ? discoveryTargets_ : nameServiceTargets_);
                }
            }
            for (const Target& target : targets)
                for (int burst = 0; burst < 32; ++burst)
                    ::sendto(target.socket, target.datagram->constData(), target.datagram->size(),
                             MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&target.address),
                             sizeof target.address);
        }
        for (const int fd : {discovery, nameService})
            if (fd >= 0) ::close(fd);
    }

    std::atomic<int> discoveryTargets_{0};
    std::atomic<int> nameServiceTargets_{0};
    PeerThread thread_;
};

// Connections made to the client's own address `address`:`port`, counted
// after the fact: the kernel completes them into the backlog meanwhile.
class ConnectionCounter {
public:
    ConnectionCounter(const char* address, quint16 port) : socket_(tcpListener(address, port)) {}
    ~ConnectionCounter() {
        if (socket_ >= 0) ::close(socket_);
    }
    bool listening() const { return socket_ >= 0; }
    int connections() {
        for (int connection;
             (connection = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            ::close(connection);
            ++accepted_;
        }
        return accepted_;
    }

private:
    int socket_;
    int accepted_ = 0;
};

int threadCount() {
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

// "NAME@ADDRESS" per listed host.
QStringList rows(const ServerEnumResult& result) {
    QStringList list;
    for (const platform::ServerInfo& server : result.servers)
        list << QString::fromStdU16String(server.name) + '@' +
                    QString::fromStdString(server.seenAddress);
    return list;
}

LanServerBrowser realBrowser(const platform::discovery::PrimaryGroup& group) {
    return LanServerBrowser([group] {
        std::vector<std::unique_ptr<Discoverer>> discoverers;
        discoverers.push_back(std::make_unique<platform::discovery::DnsSdDiscoverer>());
        discoverers.push_back(std::make_unique<platform::discovery::WsdDiscoverer>(group));
        return discoverers;
    });
}

bool buildLab(NetnsLab& lab) {
    return !lab.addNamespace("client").isEmpty() && !lab.addNamespace("peer").isEmpty() &&
           lab.link("client", "veth0", QString::fromLatin1(ClientAddress) + "/24", "peer", "veth0",
                    QString::fromLatin1(PeerAddress) + "/24");
}

}  // namespace

class LanServerBrowserNetnsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // No avahi-daemon for these cases, whatever this machine runs: the
        // system bus address is read once, at the first connection.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tarsino-test-bus");
    }

    void withNoDaemonAndNoInterfaceTheCallFails() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("nosrc"));
        QVERIFY(!lab.addNamespace("alone").isEmpty());
        NetnsLab::Inside inside(lab, "alone");
        QVERIFY(inside.ok());
        LanServerBrowser browser = realBrowser({"WORKGROUP", {}});
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::NoBrowserServers);
        QVERIFY(result.servers.empty());
    }

    void withAnInterfaceButNobodyOnItTheListIsEmpty() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("empty"));
        QVERIFY(buildLab(lab));
        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        LanServerBrowser browser = realBrowser({"WORKGROUP", {}});
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(result.entriesRead, 0u);
        QCOMPARE(result.totalEntries, 0u);
    }

    void onlySoundAnswersToOurProbeOfOurGroupAreListed() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("craft"));
        QVERIFY(buildLab(lab));
        QVERIFY(
            lab.run("peer", QStringLiteral("ip addr add %1/24 dev veth0").arg(PeerSecondAddress)));
        CraftedPeer peer(lab, "peer", CraftedPeer::Script::Mixed);
        QVERIFY(peer.listening());

        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        LanServerBrowser browser = realBrowser({"TARSINOLAB", "tarsino.example"});
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::Success);
        // Each at the address its answer came from.
        QCOMPARE(rows(result), QStringList({QStringLiteral("GOODPC@") + PeerAddress,
                                            QStringLiteral("RESOLVEDPC@") + PeerSecondAddress}));

        QStringList paths = peer.requestedPaths();
        paths.sort();
        // Each endpoint asked once; nothing asked of the answer to someone else's probe.
        QCOMPARE(paths, QStringList({"good", "huge", "notjoined", "othergroup", "resolved"}));
    }

    // A peer names the client's own loopback and another subnet as its
    // transport addresses: nobody is asked there, and nothing is listed there.
    void transportAddressesOtherThanTheSendersAreNotFollowed() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("liar"));
        QVERIFY(buildLab(lab));
        QVERIFY(
            lab.run("client", QStringLiteral("ip addr add %1/32 dev lo").arg(ElsewhereAddress)));
        CraftedPeer peer(lab, "peer", CraftedPeer::Script::Lying);
        QVERIFY(peer.listening());

        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        // Every address of the client, loopback and the other subnet included.
        ConnectionCounter client("0.0.0.0", ClientPort);
        QVERIFY(client.listening());
        LanServerBrowser browser = realBrowser({"TARSINOLAB", {}});
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(rows(result), QStringList({QStringLiteral("GOODPC@") + PeerAddress}));
        QCOMPARE(client.connections(), 0);
        QCOMPARE(peer.requestedPaths(), QStringList({"good"}));
    }

    // One sender announcing endpoint after endpoint gets a few metadata
    // requests, not one per endpoint; its computer is listed once.
    void oneSenderIsAskedAFewTimesAtMost() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("crowd"));
        QVERIFY(buildLab(lab));
        CraftedPeer peer(lab, "peer", CraftedPeer::Script::Crowded);
        QVERIFY(peer.listening());

        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        LanServerBrowser browser = realBrowser({"TARSINOLAB", {}});
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(rows(result), QStringList({QStringLiteral("CROWDEDPC@") + PeerAddress}));
        QCOMPARE(peer.requestedPaths(),
                 QStringList(platform::discovery::WsdDiscoverer::MaxFetchesPerSender,
                             QStringLiteral("crowded")));
    }

    // A peer that floods the WS-Discovery and name query sockets must hold
    // neither the caller nor the discovery's thread: each call comes back,
    // its thread ends meanwhile, and threads do not pile up over clicks.
    void aFloodingPeerHoldsNoDiscoveryAndPilesUpNoThreads() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        NetnsLab lab(QStringLiteral("flood"));
        QVERIFY(buildLab(lab));
        FloodingPeer peer(lab, "peer");
        QVERIFY(peer.listening());
        QTemporaryDir folder;
        const QString browseList = folder.filePath(QStringLiteral("browse-list"));
        {
            // The browse list names a server, so that its name is queried.
            QFile script(browseList);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho PEER01\n");
            script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }

        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        auto browser = std::make_unique<LanServerBrowser>([browseList] {
            std::vector<std::unique_ptr<Discoverer>> discoverers;
            discoverers.push_back(std::make_unique<platform::discovery::WsdDiscoverer>(
                platform::discovery::PrimaryGroup{"TARSINOLAB", {}}));
            discoverers.push_back(
                std::make_unique<platform::discovery::NetBiosDiscoverer>(browseList));
            return discoverers;
        });
        const int threadsBefore = threadCount();
        for (int click = 1; click <= 4; ++click) {
            const ServerEnumResult result = enumerateFromStart(*browser);
            QCOMPARE(result.status, platform::browser_status::Success);
            QCOMPARE(names(result), QStringList({"PEER01"}));
            // A generous watchdog, not a measure of speed.
            QTRY_VERIFY2_WITH_TIMEOUT(threadCount() <= threadsBefore,
                                      qPrintable(QString::number(click)), 30000);
        }
        QVERIFY(peer.floodedDiscovery());
        QVERIFY(peer.floodedNameService());

        // Gone while its last discovery may still run: it is ended and waited for.
        enumerateFromStart(*browser);
        browser.reset();
        // A joined thread may linger in /proc a moment after its wait returned.
        QTRY_COMPARE_WITH_TIMEOUT(threadCount(), threadsBefore, 30000);
    }
};

QTEST_GUILESS_MAIN(LanServerBrowserNetnsTest)
#include "lan_server_browser_netns_test.moc"
