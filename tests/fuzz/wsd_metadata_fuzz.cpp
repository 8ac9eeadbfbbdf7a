// Feeds arbitrary bytes to the metadata reader as a peer's GetResponse, and
// as a bare pub:Computer value. A membership read must name a computer
// without blanks or path characters, and a group exactly when it is a
// workgroup's or a domain's.

#include "fuzz_input.h"
#include "platform/discovery/wsd_messages.h"

namespace wsd = platform::discovery::wsd;

namespace {

void check(const std::optional<wsd::ComputerMembership>& membership) {
    if (!membership) return;
    const QString& name = membership->computerName;
    FUZZ_EXPECT(!name.isEmpty() && name.size() <= 63);
    for (const QChar c : name)
        FUZZ_EXPECT(!c.isSpace() && c.isPrint() && c != QLatin1Char('/') && c != QLatin1Char('\\'));
    const bool joined = membership->kind != wsd::ComputerMembership::Kind::NotJoined;
    FUZZ_EXPECT(joined == !membership->group.isEmpty() && membership->group.size() <= 255);
    for (const QChar c : membership->group) FUZZ_EXPECT(!c.isSpace() && c.isPrint());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    check(wsd::parseMetadata(bytes));
    if (size <= 1024) check(wsd::parseComputer(QString::fromUtf8(bytes)));
    return 0;
}
