#pragma once
// Gathers the hosts that several discoverers report into one list: one entry
// per machine, in alphabetical order as the classic browse list has it.
//
// Reports are of one machine when they share the address discovery saw, or
// the same name once an mDNS ".local" suffix is set aside (without regard to
// case), directly or through other reports: a Samba server announced as
// "srv05.local" by DNS-SD and as "SRV05" by WS-Discovery is one entry.

#include <QHash>
#include <QList>
#include <QSet>

#include "platform/discovery/discoverer.h"

namespace platform::discovery {

class HostMerger {
public:
    void add(const DiscoveredHost& host);

    // Each machine is named as its workgroup names it where a report gave
    // such a name, else by its mDNS name; among equals the first in
    // alphabetical order, then the first reported. Its address is that of
    // the chosen report, else the first one reported.
    QList<DiscoveredHost> hosts() const;

private:
    qsizetype machineOf(qsizetype report) const;
    void join(qsizetype report, qsizetype other);

    QList<DiscoveredHost> reports_;
    QList<qsizetype> parent_;  // reports of one machine share a root
    QHash<QString, qsizetype> byName_;
    QHash<QString, qsizetype> byAddress_;
    QSet<QString> seen_;  // reports already held, so repeats cost nothing
};

}  // namespace platform::discovery
