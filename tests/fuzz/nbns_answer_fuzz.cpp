// Feeds arbitrary bytes to the NetBIOS name query reader as answers to our
// query for the name the datagram itself claims to answer for (so that the
// fuzzer can reach past the name check), under the datagram's own transaction
// identifier. An address read must be a usable IPv4 address, and the answer
// must have been for exactly that name.

#include <QHostAddress>

#include "fuzz_input.h"
#include "platform/discovery/netbios_name_query.h"

namespace netbios = platform::discovery::netbios;

namespace {

constexpr qsizetype HeaderSize = 12;

// The name of the datagram's first record (RFC 1001 first-level encoding,
// blanks padding it taken off), or "NBSRV01" when it holds none.
QString claimedName(const QByteArray& datagram) {
    if (datagram.size() < HeaderSize + 34 || datagram[HeaderSize] != 32)
        return QStringLiteral("NBSRV01");
    QByteArray plain;
    for (qsizetype i = HeaderSize + 1; i < HeaderSize + 31; i += 2) {
        const int high = datagram[i] - 'A', low = datagram[i + 1] - 'A';
        if (high < 0 || high > 15 || low < 0 || low > 15) return QStringLiteral("NBSRV01");
        plain.append(char(high << 4 | low));
    }
    return QString::fromLatin1(plain).trimmed();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray datagram = fuzzBytes(data, size);
    const std::optional<quint16> transaction = netbios::transactionIdOf(datagram);
    const QString name = claimedName(datagram);
    const std::optional<QHostAddress> address =
        netbios::parseNameQueryAnswer(datagram, transaction.value_or(0), name);
    if (!address) return 0;
    FUZZ_EXPECT(transaction.has_value() && address->protocol() == QAbstractSocket::IPv4Protocol);
    FUZZ_EXPECT(address->toIPv4Address() != 0 && address->toIPv4Address() != 0xFFFFFFFF);
    const std::optional<QByteArray> encoded = netbios::encodeName(name, netbios::ServerSuffix);
    FUZZ_EXPECT(encoded && datagram.mid(HeaderSize, encoded->size()) == *encoded);
    return 0;
}
