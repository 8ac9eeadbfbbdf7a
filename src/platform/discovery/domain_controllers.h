#pragma once
// Which domain controllers to ask, in which order: DNS SRV records
// `_ldap._tcp.dc._msdcs.<domain>`, by priority and, within one priority, by a
// weighted shuffle (RFC 2782), so that clients spread over the controllers
// as the domain's administrator weighed them.

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace platform::discovery {

struct DomainController {
    QString host;  // DNS name, without the final dot
    std::uint16_t port = 0;

    bool operator==(const DomainController&) const = default;
};

// At most this many controllers are kept from one answer.
constexpr std::size_t MaxDomainControllers = 32;

// A number from 0 to `upTo`, both included.
using RandomUpTo = std::function<std::uint32_t(std::uint32_t upTo)>;

// The SRV records of a DNS answer message, ordered. Records that are not
// SRV, malformed ones, and the "." target (no such service) are left out;
// a malformed message gives nothing.
std::vector<DomainController> domainControllersFromAnswer(const unsigned char* message, int length,
                                                          const RandomUpTo& random);

// Asks the system's DNS servers (glibc's resolver) for the domain's
// controllers; waits at most about `timeoutSeconds` per server it tries.
std::vector<DomainController> lookUpDomainControllers(const QString& domain, int timeoutSeconds);

}  // namespace platform::discovery
