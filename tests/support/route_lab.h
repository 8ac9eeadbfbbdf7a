#pragma once
// The route client -> r1 -> r2 -> r3 -> target in throw-away namespaces,
// shared by the trace route tests and the trace route benchmark.
//   client 10.0.1.2 - 10.0.1.1 r1 10.0.2.1 - 10.0.2.2 r2 10.0.3.1 - 10.0.3.2 r3 10.0.4.1 - 10.0.4.2
//   target
// Routers answer from the address facing the client and are not rate-limited.

#include "netns_lab.h"

namespace testing_support {

// Lays out the route in the lab; true when the target answers the client.
bool buildRoute(NetnsLab& lab);

}  // namespace testing_support
