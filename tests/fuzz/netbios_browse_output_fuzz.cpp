// Feeds arbitrary bytes to the reader of the browse helper's output. Every
// name read must fit on one list row: not empty, not too long, no control
// character, nothing that was not valid UTF-8; and only so many of them.

#include "fuzz_input.h"
#include "platform/discovery/netbios_browse_output.h"

namespace netbios = platform::discovery::netbios;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList names = netbios::parseBrowseOutput(fuzzBytes(data, size));
    FUZZ_EXPECT(names.size() <= netbios::MaxBrowsedServers);
    for (const QString& name : names) {
        FUZZ_EXPECT(!name.isEmpty() && name.size() <= 64);
        for (const QChar c : name)
            FUZZ_EXPECT(c.unicode() >= 0x20 && c.unicode() != 0x7F &&
                        c != QChar::ReplacementCharacter);
    }
    return 0;
}
