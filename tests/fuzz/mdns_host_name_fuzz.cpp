// Feeds arbitrary bytes, as the NUL-terminated escaped host name Avahi hands
// out, to the reader that unescapes it. A name it returns must fit on one
// list row and read as a host name: not empty, not too long, no control
// character nor line break, nothing that was not valid UTF-8, and no empty
// label.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "fuzz_input.h"
#include "platform/discovery/mdns_host_name.h"

namespace discovery = platform::discovery;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Exactly the bytes and their terminator, so that a read past it is caught.
    const auto escaped = std::make_unique<char[]>(size + 1);
    if (size) std::memcpy(escaped.get(), data, size);
    escaped[size] = '\0';

    const std::optional<QString> name = discovery::mdnsHostName(escaped.get());
    if (!name) return 0;
    FUZZ_EXPECT(!name->isEmpty() && name->size() <= discovery::MaxMdnsHostNameLength);
    for (const QChar c : *name) {
        FUZZ_EXPECT(c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() <= 0x9F) &&
                    c != QChar::ReplacementCharacter);
        FUZZ_EXPECT(c != QChar::LineSeparator && c != QChar::ParagraphSeparator);
    }
    FUZZ_EXPECT(!name->startsWith(u'.') && !name->endsWith(u'.') && !name->contains(u".."));
    return 0;
}
