// Feeds arbitrary text to the choice of the metadata address: the first line
// is the address the answer came from, the rest the transport addresses the
// peer offered. Whatever is chosen must be one of those offered, an http URL
// whose host is the sender's own IPv4 address, literally, and neither
// multicast, broadcast nor unspecified.

#include <QHostAddress>
#include <QRegularExpression>

#include "fuzz_input.h"
#include "platform/discovery/wsd_messages.h"

namespace wsd = platform::discovery::wsd;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(fuzzBytes(data, size));
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    const QHostAddress sender(text.left(lineEnd));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList xaddrs =
        lineEnd < 0 ? QStringList() : text.mid(lineEnd + 1).split(blanks, Qt::SkipEmptyParts);

    const std::optional<QUrl> url = wsd::metadataUrl(xaddrs, sender);
    if (!url) return 0;
    FUZZ_EXPECT(url->isValid() && url->scheme() == QLatin1String("http"));
    QHostAddress host;
    FUZZ_EXPECT(host.setAddress(url->host()) && host.protocol() == QAbstractSocket::IPv4Protocol);
    FUZZ_EXPECT(!host.isMulticast() && !host.isBroadcast() &&
                host != QHostAddress(QHostAddress::AnyIPv4));
    // Only the sender's own address (an IPv4-mapped one counts as its IPv4):
    // a peer must not send us elsewhere.
    bool senderIsIPv4 = false;
    const quint32 senderAddress = sender.toIPv4Address(&senderIsIPv4);
    FUZZ_EXPECT(senderIsIPv4 && host.toIPv4Address() == senderAddress);
    FUZZ_EXPECT(std::ranges::any_of(
        xaddrs, [&](const QString& offered) { return QUrl(offered, QUrl::StrictMode) == *url; }));
    return 0;
}
