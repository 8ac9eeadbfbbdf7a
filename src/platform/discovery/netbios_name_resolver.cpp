#include "platform/discovery/netbios_name_resolver.h"

#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QSet>
#include <QUdpSocket>

#include "platform/discovery/lan_interfaces.h"
#include "platform/discovery/netbios_name_query.h"

namespace platform::discovery {

NetBiosNameResolver::NetBiosNameResolver(QObject* parent) : QObject(parent) {
    retry_.setInterval(RetryIntervalMs);
    connect(&retry_, &QTimer::timeout, this, &NetBiosNameResolver::retryOrGiveUp);
}

NetBiosNameResolver::~NetBiosNameResolver() {
    close();
}

bool NetBiosNameResolver::open() {
    for (const LanAddress& lan : lanAddresses(QNetworkInterface::CanBroadcast)) {
        if (lan.entry.broadcast().isNull()) continue;
        auto* socket = new QUdpSocket(this);
        // Bound to the interface's address: the answers come back to it.
        if (!socket->bind(lan.entry.ip(), 0)) {
            delete socket;
            continue;
        }
        connect(socket, &QUdpSocket::readyRead, this, [this, socket] { readDatagrams(socket); });
        interfaces_ << Interface{socket, lan.entry.broadcast()};
    }
    return !interfaces_.isEmpty();
}

void NetBiosNameResolver::resolve(const QStringList& names) {
    // Random identifiers, so that answers to an earlier run (or another
    // program's) are not taken for ours.
    quint16 transactionId = static_cast<quint16>(QRandomGenerator::global()->generate());
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString key = name.toUpper();
        if (seen.contains(key) || !netbios::encodeName(name, netbios::ServerSuffix)) continue;
        seen.insert(key);
        pending_.insert(transactionId++, name);
    }
    if (pending_.isEmpty() || interfaces_.isEmpty()) {
        finish();
        return;
    }
    attempt_ = 1;
    sendQueries();
    retry_.start();
}

void NetBiosNameResolver::sendQueries() {
    for (auto query = pending_.cbegin(); query != pending_.cend(); ++query) {
        const std::optional<QByteArray> packet =
            netbios::buildNameQuery(query.key(), query.value());
        for (const Interface& interface : std::as_const(interfaces_))
            interface.socket->writeDatagram(*packet, interface.broadcast, netbios::NameServicePort);
    }
}

void NetBiosNameResolver::retryOrGiveUp() {
    if (attempt_ >= Attempts) {
        finish();
        return;
    }
    ++attempt_;
    sendQueries();
}

// At most a batch per wake-up: under a flood the socket never runs dry, and
// the event loop must still get its turn for the retries, the time limit and
// close(). The socket signals again for what is left.
void NetBiosNameResolver::readDatagrams(QUdpSocket* socket) {
    for (int reads = 0; reads < netbios::DatagramsPerWake && !interfaces_.isEmpty() &&
                        socket->hasPendingDatagrams();
         ++reads) {
        if (socket->pendingDatagramSize() > netbios::MaxDatagramSize) {
            socket->readDatagram(nullptr, 0);  // drops it
            continue;
        }
        const QByteArray datagram = socket->receiveDatagram(netbios::MaxDatagramSize).data();
        const std::optional<quint16> transactionId = netbios::transactionIdOf(datagram);
        if (!transactionId || !pending_.contains(*transactionId)) continue;
        const QString name = pending_.value(*transactionId);
        const std::optional<QHostAddress> address =
            netbios::parseNameQueryAnswer(datagram, *transactionId, name);
        if (!address) continue;
        pending_.remove(*transactionId);
        emit resolved(name, *address);
        if (pending_.isEmpty()) {
            finish();
            return;
        }
    }
}

void NetBiosNameResolver::finish() {
    close();
    emit finished();
}

void NetBiosNameResolver::close() {
    retry_.stop();
    pending_.clear();
    // Closing may happen while a socket is emitting readyRead: it is closed
    // at once and deleted once control is back in the event loop.
    for (const Interface& interface : std::as_const(interfaces_)) {
        interface.socket->disconnect(this);
        interface.socket->close();
        interface.socket->deleteLater();
    }
    interfaces_.clear();
}

}  // namespace platform::discovery
