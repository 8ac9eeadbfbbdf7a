#pragma once
// The WS-Discovery and WS-Transfer messages that the network browser sends
// and reads: building a Probe, a Resolve and a metadata Get, and taking apart
// the matches and metadata that other computers send back. The parsers take
// untrusted bytes and return nothing for anything they cannot vouch for.

#include <QByteArray>
#include <QHostAddress>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace platform::discovery::wsd {

constexpr quint16 DiscoveryPort = 3702;
inline const QHostAddress MulticastGroup{QStringLiteral("239.255.255.250")};
// Datagrams and metadata replies larger than these are not read.
constexpr qsizetype MaxDatagramSize = 32 * 1024;
constexpr qsizetype MaxMetadataSize = 64 * 1024;
// Datagrams read in one go before the event loop gets its turn again.
constexpr int DatagramsPerWake = 64;

// A fresh "urn:uuid:..." message identifier.
QString newMessageId();

QByteArray buildProbe(const QString& messageId);
QByteArray buildResolve(const QString& messageId, const QString& endpoint);
QByteArray buildGet(const QString& messageId, const QString& endpoint);

struct Match {
    QString endpoint;    // endpoint reference address, e.g. "urn:uuid:..."
    QStringList xaddrs;  // transport addresses; empty when the peer wants a Resolve
};

// ProbeMatches or ResolveMatches that answer one of `ourMessageIds`; nothing
// for other messages, foreign answers, or anything malformed.
QList<Match> parseMatches(const QByteArray& datagram, const QSet<QString>& ourMessageIds);

// Whether an answer from `sender` may be followed up: an IPv4 address a LAN
// peer can have, not loopback, link-local, multicast, broadcast, reserved or
// "this network" (0.0.0.0/8).
bool isPeerAddress(const QHostAddress& sender);

// The transport address to fetch metadata from: the first http URL of
// `xaddrs` whose host is the literal IPv4 address of `sender`, the one the
// answer came from. Nothing when there is none, or when `sender` is no peer
// address: a peer must not send us to any other address.
std::optional<QUrl> metadataUrl(const QStringList& xaddrs, const QHostAddress& sender);

struct ComputerMembership {
    enum class Kind { Workgroup, Domain, NotJoined };
    QString computerName;
    Kind kind = Kind::NotJoined;
    QString group;  // workgroup or domain name; empty when not joined
};

// A pub:Computer value: "NAME/Workgroup:WG", "NAME/Domain:D" or "NAME/NotJoined".
std::optional<ComputerMembership> parseComputer(const QString& value);

// The computer's membership from a WS-Transfer GetResponse.
std::optional<ComputerMembership> parseMetadata(const QByteArray& response);

}  // namespace platform::discovery::wsd
