#include "platform/discovery/directory_computer.h"

#include "platform/discovery/computer_domain.h"
#include "platform/discovery/listable_name.h"

namespace platform::discovery {

std::optional<DirectoryComputer> computerFromEntry(const QList<QByteArray>& cn,
                                                   const QList<QByteArray>& dnsHostName) {
    // Bytes are counted first, so that a huge value is never decoded.
    if (cn.size() != 1 || cn.front().size() > 4 * MaxComputerNameLength || dnsHostName.size() > 1)
        return std::nullopt;
    DirectoryComputer computer;
    computer.name = QString::fromUtf8(cn.front());
    // A NUL is not printable, so an embedded one fails here too.
    if (!isListableName(computer.name, MaxComputerNameLength)) return std::nullopt;
    if (!dnsHostName.isEmpty()) {
        const QByteArray& value = dnsHostName.front();
        if (value.size() > MaxDnsHostNameLength) return std::nullopt;
        computer.dnsHostName = QString::fromLatin1(value);
        if (!isDomainName(computer.dnsHostName)) return std::nullopt;
    }
    return computer;
}

}  // namespace platform::discovery
