// The real discoverers where the network gives them little or bad company:
// no avahi-daemon and no interface, an interface with nobody on it, and a
// WS-Discovery peer that answers with foreign, broken, repeated and oversized
// replies beside good ones. Each runs in namespaces of its own.

#include <QRegularExpression>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "netns_lab.h"
#include "platform/discovery/dnssd_discoverer.h"
#include "platform/discovery/lan_server_browser.h"
#include "platform/discovery/wsd_discoverer.h"

using platform::LanServerBrowser;
using platform::ServerEnumResult;
using platform::discovery::Discoverer;
using testing_support::NetnsLab;

namespace {

const char* const PeerAddress = "10.201.0.2";

QByteArray envelope(const QString& action, const QString& relatesTo, const QString& body) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
               "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\""
               " xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
               " xmlns:wsd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
               " xmlns:pub=\"http://schemas.microsoft.com/windows/pub/2005/07\">"
               "<soap:Header><wsa:Action>%1</wsa:Action><wsa:MessageID>urn:uuid:%2</wsa:MessageID>"
               "<wsa:RelatesTo>%3</wsa:RelatesTo></soap:Header><soap:Body>%4</soap:Body></soap:Envelope>")
        .arg(action, QUuid::createUuid().toString(QUuid::WithoutBraces), relatesTo, body)
        .toUtf8();
}

QByteArray match(const QString& kind, const QString& relatesTo, const QString& endpoint, const QString& path) {
    const QString xaddrs =
        path.isEmpty() ? QString() : QStringLiteral("<wsd:XAddrs>http://%1:5357/%2</wsd:XAddrs>").arg(PeerAddress, path);
    return envelope(
        "http://schemas.xmlsoap.org/ws/2005/04/discovery/" + kind + "es", relatesTo,
        QStringLiteral("<wsd:%1es><wsd:%1><wsa:EndpointReference><wsa:Address>urn:uuid:%2</wsa:Address>"
                       "</wsa:EndpointReference><wsd:Types>wsdp:Device</wsd:Types>%3</wsd:%1></wsd:%1es>")
            .arg(kind, endpoint, xaddrs));
}

QByteArray metadata(const QString& computer) {
    return envelope("http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse", "x",
                    "<wsx:Metadata xmlns:wsx=\"http://schemas.xmlsoap.org/ws/2004/09/mex\"><pub:Computer>" +
                        computer + "</pub:Computer></wsx:Metadata>");
}

QString captured(const QByteArray& message, const char* pattern) {
    return QRegularExpression(QString::fromLatin1(pattern)).match(QString::fromUtf8(message)).captured(1);
}

// A WS-Discovery host of the test's making, in its own namespace: answers
// each Probe with a mix of good and bad replies, the Resolves of its silent
// endpoint but the first with its address, and serves metadata over HTTP.
class CraftedPeer {
public:
    CraftedPeer(const NetnsLab& lab, const QString& ns) : thread_([this, &lab, ns] { serve(lab, ns); }) {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return state_ != State::Starting; });
    }
    ~CraftedPeer() {
        stop_ = true;
        thread_.join();
    }
    bool listening() const { return state_ == State::Listening; }
    QStringList requestedPaths() {
        std::lock_guard lock(mutex_);
        return paths_;
    }

private:
    enum class State { Starting, Listening, Failed };

    void serve(const NetnsLab& lab, const QString& ns) {
        NetnsLab::Inside inside(lab, ns);
        const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int tcp = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(tcp, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in any{AF_INET, htons(3702), {INADDR_ANY}, {}};
        sockaddr_in web{AF_INET, htons(5357), {::inet_addr(PeerAddress)}, {}};
        ip_mreq group{};
        group.imr_multiaddr.s_addr = ::inet_addr("239.255.255.250");
        group.imr_interface.s_addr = ::inet_addr(PeerAddress);
        const bool ok = inside.ok() && udp >= 0 && tcp >= 0 &&
                        ::bind(udp, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0 &&
                        ::setsockopt(udp, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) == 0 &&
                        ::bind(tcp, reinterpret_cast<sockaddr*>(&web), sizeof web) == 0 && ::listen(tcp, 16) == 0;
        {
            std::lock_guard lock(mutex_);
            state_ = ok ? State::Listening : State::Failed;
        }
        ready_.notify_all();
        while (ok && !stop_) {
            pollfd fds[2] = {{udp, POLLIN, 0}, {tcp, POLLIN, 0}};
            if (::poll(fds, 2, 50) <= 0) continue;
            if (fds[0].revents & POLLIN) answerDatagram(udp);
            if (fds[1].revents & POLLIN) answerRequest(tcp);
        }
        for (std::thread& connection : connections_) connection.join();
        if (udp >= 0) ::close(udp);
        if (tcp >= 0) ::close(tcp);
    }

    void answerDatagram(int udp) {
        QByteArray datagram(65536, '\0');
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size = ::recvfrom(udp, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from),
                                        &fromLength);
        if (size <= 0) return;
        datagram.resize(size);
        const QString id = captured(datagram, "<wsa:MessageID>([^<]*)</wsa:MessageID>");
        const auto send = [&](const QByteArray& reply) {
            ::sendto(udp, reply.constData(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
        };
        if (datagram.contains("/discovery/Probe<")) {
            const QByteArray good = match("ProbeMatch", id, "00000000-0000-0000-0000-00000000000a", "good");
            send(match("ProbeMatch", "urn:uuid:not-ours", "00000000-0000-0000-0000-00000000000f", "foreign"));
            send(good.left(good.size() / 2));
            send(good);
            send(good);  // as SOAP-over-UDP repeats itself
            send(match("ProbeMatch", id, "00000000-0000-0000-0000-00000000000b", "othergroup"));
            send(match("ProbeMatch", id, "00000000-0000-0000-0000-00000000000c", "notjoined"));
            send(match("ProbeMatch", id, "00000000-0000-0000-0000-00000000000d", "huge"));
            send(match("ProbeMatch", id, "00000000-0000-0000-0000-00000000000e", {}));
        } else if (datagram.contains("/discovery/Resolve<") && datagram.contains("00000000000e")) {
            // The first Resolve goes unanswered, as if its answer were lost.
            if (++resolvesSeen_ > 1) send(match("ResolveMatch", id, "00000000-0000-0000-0000-00000000000e", "resolved"));
        }
    }

    // One thread per connection: a client may open a connection it never
    // uses, which must not hold up the others.
    void answerRequest(int tcp) {
        const int connection = ::accept4(tcp, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) connections_.emplace_back([this, connection] { answerConnection(connection); });
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
        {
            std::lock_guard lock(mutex_);
            paths_ << path;
        }
        QByteArray body;
        if (path == "good") body = metadata("GOODPC/Workgroup:TarsinoLab");
        else if (path == "resolved") body = metadata("RESOLVEDPC/Domain:tarsino.example");
        else if (path == "othergroup") body = metadata("OTHERPC/Workgroup:ALTROGRUPPO");
        else if (path == "notjoined") body = metadata("LONELYPC/NotJoined");
        else if (path == "huge") body = metadata("HUGEPC/Workgroup:TARSINOLAB" + QString(1 << 20, ' '));
        const QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml\r\nConnection: close\r\n"
                                 "Content-Length: " +
                                 QByteArray::number(body.size()) + "\r\n\r\n" + body;
        for (qsizetype sent = 0; sent < reply.size();) {
            const ssize_t size = ::send(connection, reply.constData() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (size <= 0) break;
            sent += size;
        }
        ::close(connection);
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    State state_ = State::Starting;
    std::atomic<bool> stop_{false};
    QStringList paths_;
    int resolvesSeen_ = 0;
    std::vector<std::thread> connections_;  // only the serving thread touches this
    std::thread thread_;
};

QStringList names(const ServerEnumResult& result) {
    QStringList list;
    for (const platform::ServerInfo& server : result.servers) list << QString::fromStdU16String(server.name);
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
        if (!why.isEmpty()) QSKIP(qPrintable(why));
        NetnsLab lab(QStringLiteral("nosrc"));
        QVERIFY(!lab.addNamespace("alone").isEmpty());
        NetnsLab::Inside inside(lab, "alone");
        QVERIFY(inside.ok());
        LanServerBrowser browser = realBrowser({"WORKGROUP", {}});
        std::uint32_t resumeHandle = 0;
        const ServerEnumResult result = browser.NetServerEnum(resumeHandle);
        QCOMPARE(result.status, platform::browser_status::NoBrowserServers);
        QVERIFY(result.servers.empty());
    }

    void withAnInterfaceButNobodyOnItTheListIsEmpty() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) QSKIP(qPrintable(why));
        NetnsLab lab(QStringLiteral("empty"));
        QVERIFY(!lab.addNamespace("client").isEmpty());
        QVERIFY(!lab.addNamespace("silent").isEmpty());
        QVERIFY(lab.link("client", "veth0", "10.201.0.1/24", "silent", "veth0", "10.201.0.2/24"));
        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        LanServerBrowser browser = realBrowser({"WORKGROUP", {}});
        std::uint32_t resumeHandle = 0;
        const ServerEnumResult result = browser.NetServerEnum(resumeHandle);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(result.entriesRead, 0u);
        QCOMPARE(result.totalEntries, 0u);
    }

    void onlySoundAnswersToOurProbeOfOurGroupAreListed() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) QSKIP(qPrintable(why));
        NetnsLab lab(QStringLiteral("craft"));
        QVERIFY(!lab.addNamespace("client").isEmpty());
        QVERIFY(!lab.addNamespace("peer").isEmpty());
        QVERIFY(lab.link("client", "veth0", "10.201.0.1/24", "peer", "veth0", "10.201.0.2/24"));
        CraftedPeer peer(lab, "peer");
        QVERIFY(peer.listening());

        NetnsLab::Inside inside(lab, "client");
        QVERIFY(inside.ok());
        LanServerBrowser browser = realBrowser({"TARSINOLAB", "tarsino.example"});
        std::uint32_t resumeHandle = 0;
        const ServerEnumResult result = browser.NetServerEnum(resumeHandle);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(names(result), QStringList({"GOODPC", "RESOLVEDPC"}));
        for (const platform::ServerInfo& server : result.servers) QCOMPARE(server.seenAddress, std::string(PeerAddress));

        QStringList paths = peer.requestedPaths();
        paths.sort();
        // Each endpoint asked once; nothing asked of the answer to someone else's probe.
        QCOMPARE(paths, QStringList({"good", "huge", "notjoined", "othergroup", "resolved"}));
    }
};

QTEST_GUILESS_MAIN(LanServerBrowserNetnsTest)
#include "lan_server_browser_netns_test.moc"
