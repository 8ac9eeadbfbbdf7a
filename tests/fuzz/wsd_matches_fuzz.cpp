// Feeds arbitrary bytes to the WS-Discovery match reader as datagrams that
// may answer one of our probes or resolves (the message identifiers of the
// captured seeds), then lets it choose the metadata address as the browser
// does. Besides the sanitizers' checks: few matches per datagram, each with a
// usable endpoint and few transport addresses, and a metadata address that is
// one of them.

#include <QHostAddress>
#include <QSet>

#include "fuzz_input.h"
#include "platform/discovery/wsd_messages.h"

namespace wsd = platform::discovery::wsd;

namespace {

// The reader's own caps: what one datagram may make the browser do.
constexpr qsizetype MaxMatchesPerMessage = 16;
constexpr qsizetype MaxXAddrs = 8;

bool hasBlank(const QString& text) {
    return std::ranges::any_of(text, [](QChar c) { return c.isSpace(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QSet<QString> ours = {
        QStringLiteral("urn:uuid:7a2c3e41-5b1d-4f0e-9c8a-1d2e3f405164"),  // the probe
        QStringLiteral("urn:uuid:0b8d9e7f-6a5c-4b3d-8e2f-a1b2c3d4e5f6"),  // resolves
        QStringLiteral("urn:uuid:0b8d9e7f-6a5c-4b3d-8e2f-a1b2c3d4e5f8"),
    };
    static const QHostAddress sender(QStringLiteral("10.77.2.1"));

    const QList<wsd::Match> matches = wsd::parseMatches(fuzzBytes(data, size), ours);
    FUZZ_EXPECT(matches.size() <= MaxMatchesPerMessage);
    for (const wsd::Match& match : matches) {
        FUZZ_EXPECT(!match.endpoint.isEmpty() && !hasBlank(match.endpoint));
        FUZZ_EXPECT(match.xaddrs.size() <= MaxXAddrs);
        for (const QString& xaddr : match.xaddrs) FUZZ_EXPECT(!xaddr.isEmpty() && !hasBlank(xaddr));
        if (const std::optional<QUrl> url = wsd::metadataUrl(match.xaddrs, sender))
            FUZZ_EXPECT(std::ranges::any_of(match.xaddrs, [&](const QString& offered) {
                return QUrl(offered, QUrl::StrictMode) == *url;
            }));
    }
    return 0;
}
