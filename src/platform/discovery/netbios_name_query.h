#pragma once
// NetBIOS name queries (RFC 1001/1002 name service): building a broadcast
// query for a server's name and reading the positive answer. The reader takes
// untrusted bytes from anyone on the network and returns nothing for anything
// it cannot vouch for.

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <optional>

namespace platform::discovery::netbios {

constexpr quint16 NameServicePort = 137;
// The name service's datagrams are at most 576 bytes; larger ones are not read.
constexpr qsizetype MaxDatagramSize = 576;
// Datagrams read in one go before the event loop gets its turn again.
constexpr int DatagramsPerWake = 64;
// The name suffix of a computer's file server service, which every server of
// the browse list registers.
constexpr quint8 ServerSuffix = 0x20;

// The first-level encoding of a NetBIOS name (RFC 1001, 14.1) as it stands in
// a packet: length 32, the 16 bytes (name upper-cased and padded with blanks
// to 15, then the suffix) as 32 letters 'A' to 'P', the empty root label.
// Nothing for an empty name, one longer than 15 characters or not plain ASCII.
std::optional<QByteArray> encodeName(const QString& name, quint8 suffix);

// A broadcast query for the addresses of `name`'s server service.
std::optional<QByteArray> buildNameQuery(quint16 transactionId, const QString& name);

// The transaction identifier of a datagram, if it is long enough to have one.
std::optional<quint16> transactionIdOf(const QByteArray& datagram);

// The first address of a positive answer to our query `transactionId` for
// `name`; nothing for a request, a negative or truncated answer, an answer to
// another query or about another name.
std::optional<QHostAddress> parseNameQueryAnswer(const QByteArray& datagram, quint16 transactionId,
                                                 const QString& name);

}  // namespace platform::discovery::netbios
