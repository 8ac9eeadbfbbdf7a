// Feeds arbitrary bytes, split into the values of a directory entry's cn and
// dNSHostName, to the mapping that makes a host of it. A computer it returns
// must have a listable name of bounded length and, when it has one, a plain
// DNS name.

#include <QList>

#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "platform/discovery/computer_domain.h"
#include "platform/discovery/directory_computer.h"
#include "platform/discovery/listable_name.h"

namespace discovery = platform::discovery;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Values are separated by a 0xff byte; values after a 0xfe byte are the
    // entry's dNSHostName, those before it its cn.
    QList<QByteArray> cn;
    QList<QByteArray> dnsHostName;
    QList<QByteArray>* values = &cn;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != 0xff && data[i] != 0xfe) continue;
        values->append(fuzzBytes(data + start, i - start));
        if (i < size && data[i] == 0xfe) values = &dnsHostName;
        start = i + 1;
    }
    const auto computer = discovery::computerFromEntry(cn, dnsHostName);
    if (!computer) return 0;
    FUZZ_EXPECT(discovery::isListableName(computer->name, discovery::MaxComputerNameLength));
    FUZZ_EXPECT(computer->dnsHostName.isEmpty() || discovery::isDomainName(computer->dnsHostName));
    return 0;
}
