#include "route_lab.h"

namespace testing_support {

bool buildRoute(NetnsLab& lab) {
    for (const char* ns : {"client", "r1", "r2", "r3", "target"})
        if (lab.addNamespace(ns).isEmpty()) return false;
    bool ok = lab.link("client", "eth0", "10.0.1.2/24", "r1", "eth0", "10.0.1.1/24") &&
              lab.link("r1", "eth1", "10.0.2.1/24", "r2", "eth0", "10.0.2.2/24") &&
              lab.link("r2", "eth1", "10.0.3.1/24", "r3", "eth0", "10.0.3.2/24") &&
              lab.link("r3", "eth1", "10.0.4.1/24", "target", "eth0", "10.0.4.2/24");
    const QString quiet =
        "sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0 "
        "net.ipv4.icmp_ratemask=0";
    for (const char* router : {"r1", "r2", "r3"})
        ok = ok && lab.run(router, quiet + " net.ipv4.ip_forward=1");
    ok =
        ok && lab.run("target", quiet) && lab.run("client", quiet) &&
        lab.run("client", "ip route add default via 10.0.1.1") &&
        lab.run("r1", "ip route add default via 10.0.2.2") &&
        lab.run("r2",
                "ip route add 10.0.4.0/24 via 10.0.3.2 && ip route add 10.0.1.0/24 via 10.0.2.1") &&
        lab.run("r3", "ip route add default via 10.0.3.1") &&
        lab.run("target", "ip route add default via 10.0.4.1");
    return ok && lab.run("client", "ping -c 1 -W 2 10.0.4.2 >/dev/null");
}

}  // namespace testing_support
