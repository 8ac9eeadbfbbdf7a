#pragma once
// Gathers the hosts that several discoverers report into one list: one entry
// per machine, in alphabetical order as the classic browse list has it.
//
// Reports are of one machine when they give the same name once an mDNS
// ".local" suffix is set aside (without regard to case), or when different
// sources saw them at one address, directly or through other reports: a Samba
// server announced as "srv05.local" by DNS-SD and as "SRV05" by WS-Discovery
// is one entry. Two names that one source gives at one address (a server's
// NetBIOS aliases) are what that source holds to be two hosts, and keep an
// entry each.

#include <QHash>
#include <QList>
#include <QSet>

#include "platform/discovery/discoverer.h"

namespace platform::discovery {

class HostMerger {
public:
    // Which discoverer gave a report: any value, the same for all its reports.
    using Source = int;

    void add(const DiscoveredHost& host, Source source);

    // Each machine is named as its workgroup names it where a report gave
    // such a name, else by its mDNS name; among equals the first in
    // alphabetical order, then the first reported. Its address is that of
    // the chosen report, else the first one reported. Where several
    // machines could take in one report of another source at their shared
    // address, the first in name order does, so that the list never depends
    // on which method answered first.
    QList<DiscoveredHost> hosts() const;

private:
    struct Report {
        DiscoveredHost host;
        Source source;
    };

    QList<Report> reports_;
    QSet<QString> seen_;  // reports already held, so repeats cost nothing
};

}  // namespace platform::discovery
