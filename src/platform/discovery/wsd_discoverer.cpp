#include "platform/discovery/wsd_discoverer.h"

#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUdpSocket>

#include "platform/discovery/lan_interfaces.h"

namespace platform::discovery {

namespace {

// A metadata exchange is a few milliseconds on a LAN; the browser's own time
// limit ends everything anyway, this only frees a slot held by a dead peer.
constexpr int MetadataTimeoutMs = 1000;
// Far more computers than one office has; beyond it, matches (which anyone
// who saw our probe can forge) are not followed any more, and no more
// metadata is fetched.
constexpr qsizetype MaxEndpoints = 1000;
constexpr int MaxMetadataFetches = MaxEndpoints;
constexpr int ResolveAttempts = 3;
constexpr int ResolveRetryMs = 300;
// Room for the answers of a few hundred hosts arriving at once (the kernel
// may grant less).
constexpr int ReceiveBufferBytes = 1024 * 1024;

QList<QUdpSocket*> openInterfaceSockets(QObject* parent) {
    QList<QUdpSocket*> sockets;
    QList<int> tried;  // one socket per interface, on its first IPv4 address
    for (const LanAddress& lan : lanAddresses(QNetworkInterface::CanMulticast)) {
        if (tried.contains(lan.interface.index())) continue;
        tried << lan.interface.index();
        auto* socket = new QUdpSocket(parent);
        // Bound to the interface's own address, so that the answers to this
        // interface's probes arrive here, and with the multicast interface
        // set per socket: without a default route a plain send fails.
        if (!socket->bind(lan.entry.ip(), 0)) {
            delete socket;
            continue;
        }
        socket->setMulticastInterface(lan.interface);
        socket->setSocketOption(QAbstractSocket::MulticastTtlOption, 1);
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ReceiveBufferBytes);
        sockets << socket;
    }
    return sockets;
}

}  // namespace

WsdDiscoverer::WsdDiscoverer(PrimaryGroup group, QObject* parent)
    : Discoverer(parent), group_(std::move(group)) {
    secondProbe_.setSingleShot(true);
    secondProbe_.setInterval(SecondProbeDelayMs);
    probeWindow_.setSingleShot(true);
    probeWindow_.setInterval(ProbeWindowMs);
    connect(&secondProbe_, &QTimer::timeout, this, &WsdDiscoverer::sendProbes);
    connect(&probeWindow_, &QTimer::timeout, this, &WsdDiscoverer::finishWhenIdle);
}

WsdDiscoverer::~WsdDiscoverer() {
    closeEverything();
}

bool WsdDiscoverer::start() {
    sockets_ = openInterfaceSockets(this);
    if (sockets_.isEmpty()) return false;
    network_ = new QNetworkAccessManager(this);
    network_->setProxy(QNetworkProxy::NoProxy);
    for (QUdpSocket* socket : sockets_)
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] { readDatagrams(socket); });
    running_ = true;
    sendProbes();
    secondProbe_.start();
    probeWindow_.start();
    return true;
}

void WsdDiscoverer::stop() {
    closeEverything();
    finished_ = true;
}

void WsdDiscoverer::sendProbes() {
    const QString messageId = wsd::newMessageId();
    ourMessageIds_.insert(messageId);
    const QByteArray probe = wsd::buildProbe(messageId);
    for (QUdpSocket* socket : sockets_)
        socket->writeDatagram(probe, wsd::MulticastGroup, wsd::DiscoveryPort);
}

// At most a batch per wake-up: under a flood the socket never runs dry, and
// the event loop must still get its turn for the time limit and stop().
// The socket signals again for what is left.
void WsdDiscoverer::readDatagrams(QUdpSocket* socket) {
    for (int reads = 0; reads < wsd::DatagramsPerWake && running_ && socket->hasPendingDatagrams();
         ++reads) {
        if (socket->pendingDatagramSize() > wsd::MaxDatagramSize) {
            socket->readDatagram(nullptr, 0);  // drops it
            continue;
        }
        const QNetworkDatagram datagram = socket->receiveDatagram(wsd::MaxDatagramSize);
        for (const wsd::Match& match : wsd::parseMatches(datagram.data(), ourMessageIds_))
            handleMatch(match, datagram.senderAddress(), socket);
    }
}

// Each endpoint is handled once, however many interfaces, probes and repeated
// datagrams bring its matches. Its metadata is asked of the computer that
// answered, and of no other.
void WsdDiscoverer::handleMatch(const wsd::Match& match, const QHostAddress& sender,
                                QUdpSocket* socket) {
    if (!wsd::isPeerAddress(sender)) return;
    const auto known = endpoints_.constFind(match.endpoint);
    if (known != endpoints_.cend() && *known != EndpointState::Resolving) return;
    if (known == endpoints_.cend() && endpoints_.size() >= MaxEndpoints) return;
    if (const std::optional<QUrl> url = wsd::metadataUrl(match.xaddrs, sender)) {
        fetchMetadata(match.endpoint, *url);
        return;
    }
    if (known != endpoints_.cend() || !match.xaddrs.isEmpty()) return;
    // Debian's wsdd, for one, leaves the transport address to a Resolve.
    endpoints_.insert(match.endpoint, EndpointState::Resolving);
    sendResolve(match.endpoint, socket, 1);
}

// A burst of answers from many hosts can overflow the socket's buffer, and a
// lost ResolveMatch would lose its host: an unanswered Resolve is sent again,
// under a new identifier, as peers may drop a message they have seen.
void WsdDiscoverer::sendResolve(const QString& endpoint, QUdpSocket* socket, int attempt) {
    const QString messageId = wsd::newMessageId();
    ourMessageIds_.insert(messageId);
    socket->writeDatagram(wsd::buildResolve(messageId, endpoint), wsd::MulticastGroup,
                          wsd::DiscoveryPort);
    if (attempt == ResolveAttempts) return;
    QTimer::singleShot(ResolveRetryMs, this, [this, endpoint, socket, attempt] {
        // Sockets live as long as the run: not running, no socket.
        if (running_ && endpoints_.value(endpoint) == EndpointState::Resolving)
            sendResolve(endpoint, socket, attempt + 1);
    });
}

void WsdDiscoverer::fetchMetadata(const QString& endpoint, const QUrl& url) {
    endpoints_.insert(endpoint, EndpointState::Fetching);
    // The URL's host is the sender's address (see handleMatch).
    int& fetchesOfSender = fetchesPerSender_[url.host()];
    if (fetches_ == MaxMetadataFetches || fetchesOfSender == MaxFetchesPerSender) {
        endpoints_.insert(endpoint, EndpointState::Done);
        // Not from here: this may run while a socket is delivering datagrams.
        QTimer::singleShot(0, this, &WsdDiscoverer::finishWhenIdle);
        return;
    }
    ++fetches_;
    ++fetchesOfSender;
    QNetworkRequest request(url);
    // The bare type: wsdd2 refuses any other spelling, and UTF-8 is SOAP's default anyway.
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/soap+xml"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(MetadataTimeoutMs);
    QNetworkReply* reply = network_->post(request, wsd::buildGet(wsd::newMessageId(), endpoint));
    replies_.insert(reply);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > wsd::MaxMetadataSize) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, endpoint] { metadataArrived(reply, endpoint); });
}

void WsdDiscoverer::metadataArrived(QNetworkReply* reply, const QString& endpoint) {
    replies_.remove(reply);
    reply->deleteLater();
    endpoints_.insert(endpoint, EndpointState::Done);
    if (reply->error() == QNetworkReply::NoError) {
        const std::optional<wsd::ComputerMembership> membership =
            wsd::parseMetadata(reply->read(wsd::MaxMetadataSize + 1));
        if (membership && membership->kind != wsd::ComputerMembership::Kind::NotJoined &&
            group_.contains(membership->group))
            // The URL's host is the sender's address, written as we write addresses.
            emit discovered(DiscoveredHost{membership->computerName, reply->url().host()});
    }
    finishWhenIdle();
}

void WsdDiscoverer::finishWhenIdle() {
    if (!running_ || probeWindow_.isActive() || !replies_.isEmpty()) return;
    for (EndpointState state : std::as_const(endpoints_))
        if (state == EndpointState::Resolving) return;
    closeEverything();
    finished_ = true;
    emit finished();
}

void WsdDiscoverer::closeEverything() {
    running_ = false;
    secondProbe_.stop();
    probeWindow_.stop();
    for (QNetworkReply* reply : std::as_const(replies_)) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    replies_.clear();
    qDeleteAll(sockets_);
    sockets_.clear();
}

}  // namespace platform::discovery
