#include "platform/discovery/host_merger.h"

#include <algorithm>

namespace platform::discovery {

void HostMerger::add(const DiscoveredHost& host) {
    if (host.name.isEmpty()) return;
    for (DiscoveredHost& known : hosts_) {
        if (known.name.compare(host.name, Qt::CaseInsensitive) == 0) {
            if (known.address.isEmpty()) known.address = host.address;
            return;
        }
    }
    hosts_.append(host);
}

QList<DiscoveredHost> HostMerger::hosts() const {
    QList<DiscoveredHost> sorted = hosts_;
    // Names equal but for case were merged in add(), so this order is total.
    std::sort(sorted.begin(), sorted.end(), [](const DiscoveredHost& a, const DiscoveredHost& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return sorted;
}

}  // namespace platform::discovery
