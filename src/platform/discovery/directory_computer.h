#pragma once
// One computer object of the domain's directory, as the host list takes it:
// the computer name ("SRV01", what the browse list would show) and the DNS
// name its address comes from.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace platform::discovery {

struct DirectoryComputer {
    QString name;         // the entry's cn
    QString dnsHostName;  // may be empty: a computer that never registered one

    bool operator==(const DirectoryComputer&) const = default;
};

// Active Directory allows a cn of 64 characters; a computer name is far
// shorter, and a DNS name never longer than 253.
constexpr qsizetype MaxComputerNameLength = 64;
constexpr qsizetype MaxDnsHostNameLength = 253;

// The entry's values of `cn` and `dNSHostName`, as the directory sent them.
// An entry without exactly one listable cn, or with more than one
// dNSHostName or one that is not a DNS name, is skipped: nothing.
std::optional<DirectoryComputer> computerFromEntry(const QList<QByteArray>& cn,
                                                   const QList<QByteArray>& dnsHostName);

}  // namespace platform::discovery
