#pragma once
// Runs one test function of the running test program again, as the user
// nobody, inside a lab namespace, from a throw-away folder that holds a copy
// of the program and beside it a copy of the ICMP helper with
// cap_net_raw+ep: the helper is found where the installed program finds its
// own, and only the helper holds a capability. Needs root to set it up.

#include <QString>

#include "netns_lab.h"

namespace testing_support {

class UnprivilegedRun {
public:
    // Empty when such runs can be made here; otherwise why they cannot.
    static QString skipReason();

    // Whether this process is such a run; its test functions check this
    // first, and its initTestCase builds no lab.
    static bool isInside();

    // True when `testFunction` ran and passed; what it printed goes to `output`.
    static bool run(const NetnsLab& lab, const QString& shortName, const QString& testFunction,
                    QString* output);
    // run() while the namespace refuses ICMP datagram sockets to everyone, as
    // Debian's net.ipv4.ping_group_range does, so that nobody can echo only
    // through the helper; they are open to everyone there again afterwards.
    static bool runWithDatagramSocketsRefused(NetnsLab& lab, const QString& shortName,
                                              const QString& testFunction, QString* output);
};

}  // namespace testing_support
