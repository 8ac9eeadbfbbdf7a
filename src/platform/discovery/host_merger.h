#pragma once
// Gathers the hosts that several discoverers report into one list: one entry
// per name (compared without regard to case), in alphabetical order as the
// classic browse list has it.

#include <QList>

#include "platform/discovery/discoverer.h"

namespace platform::discovery {

class HostMerger {
public:
    // A name already known keeps its first spelling; its address is filled in
    // when the earlier report had none.
    void add(const DiscoveredHost& host);
    QList<DiscoveredHost> hosts() const;

private:
    QList<DiscoveredHost> hosts_;
};

}  // namespace platform::discovery
