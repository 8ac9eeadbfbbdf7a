#pragma once
// Asks the domain's directory for its enabled computers: OpenLDAP's client
// library, bound with SASL GSSAPI on the user's own Kerberos ticket (the
// default credential cache, or KRB5CCNAME), with a SASL security layer, never
// with a password, a simple or an anonymous bind.

#include <chrono>
#include <optional>
#include <vector>

#include "platform/discovery/directory_computer.h"
#include "platform/discovery/domain_controllers.h"

namespace platform::discovery {

using DirectoryDeadline = std::chrono::steady_clock::time_point;

// A domain controller gives at most 1,000 entries a page; no more than
// `MaxDirectoryEntries` are read in all.
constexpr int DirectoryPageSize = 1000;
constexpr std::size_t MaxDirectoryEntries = 100000;

// The enabled computers of one controller's domain, each entry passed through
// computerFromEntry (skipped when malformed). Nothing when the controller
// cannot be reached, refuses the bind or offers no security layer; what was
// read so far when the deadline falls during the search.
std::optional<std::vector<DirectoryComputer>> readDomainComputers(
    const DomainController& controller, DirectoryDeadline deadline);

// The domain's controllers from DNS, asked in their order until one answers.
std::vector<DirectoryComputer> readDomainDirectory(const QString& domain,
                                                   DirectoryDeadline deadline);

}  // namespace platform::discovery
