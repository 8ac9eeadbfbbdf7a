#include "platform/discovery/host_merger.h"

#include <algorithm>

namespace platform::discovery {

namespace {

// The name a machine goes by whichever way it was found.
QString machineName(const DiscoveredHost& host) {
    static const QString mdnsDomain = QStringLiteral(".local");
    QString name = host.name;
    if (host.naming == DiscoveredHost::Naming::Mdns && name.size() > mdnsDomain.size() &&
        name.endsWith(mdnsDomain, Qt::CaseInsensitive))
        name.chop(mdnsDomain.size());
    return name.toCaseFolded();
}

// Whether `a` names a machine better than `b`, which was reported later.
bool namesBetter(const DiscoveredHost& a, const DiscoveredHost& b) {
    if (a.naming != b.naming) return a.naming == DiscoveredHost::Naming::Workgroup;
    return a.name.compare(b.name, Qt::CaseInsensitive) <= 0;
}

}  // namespace

void HostMerger::add(const DiscoveredHost& host) {
    if (host.name.isEmpty()) return;
    const QString identity = QString::number(int(host.naming)) + QLatin1Char('/') + host.address +
                             QLatin1Char('/') + host.name;
    if (seen_.contains(identity)) return;
    seen_.insert(identity);

    const qsizetype report = reports_.size();
    reports_.append(host);
    parent_.append(report);
    const auto joinOrRemember = [this, report](QHash<QString, qsizetype>& index,
                                               const QString& key) {
        const auto known = index.constFind(key);
        if (known != index.cend())
            join(report, *known);
        else
            index.insert(key, report);
    };
    joinOrRemember(byName_, machineName(host));
    if (!host.address.isEmpty()) joinOrRemember(byAddress_, host.address);
}

qsizetype HostMerger::machineOf(qsizetype report) const {
    while (parent_[report] != report) report = parent_[report];
    return report;
}

// The earlier report stays the root, so that a machine's reports are met in
// the order they came.
void HostMerger::join(qsizetype report, qsizetype other) {
    const qsizetype a = machineOf(report);
    const qsizetype b = machineOf(other);
    if (a == b) return;
    parent_[std::max(a, b)] = std::min(a, b);
    // Keep the chains short: both walks now end at the root directly.
    parent_[report] = parent_[other] = std::min(a, b);
}

QList<DiscoveredHost> HostMerger::hosts() const {
    QHash<qsizetype, qsizetype> chosen;  // machine -> report that names it
    QHash<qsizetype, QString> firstAddress;
    for (qsizetype report = 0; report < reports_.size(); ++report) {
        const qsizetype machine = machineOf(report);
        const auto current = chosen.constFind(machine);
        if (current == chosen.cend() || !namesBetter(reports_[*current], reports_[report]))
            chosen.insert(machine, report);
        if (!reports_[report].address.isEmpty() && !firstAddress.contains(machine))
            firstAddress.insert(machine, reports_[report].address);
    }
    QList<DiscoveredHost> hosts;
    hosts.reserve(chosen.size());
    for (auto machine = chosen.cbegin(); machine != chosen.cend(); ++machine) {
        DiscoveredHost host = reports_[machine.value()];
        if (host.address.isEmpty()) host.address = firstAddress.value(machine.key());
        hosts.append(host);
    }
    // Names equal but for case are nearly always one machine's; should two
    // be left, their addresses order them, so the list never depends on
    // which method answered first.
    std::sort(hosts.begin(), hosts.end(), [](const DiscoveredHost& a, const DiscoveredHost& b) {
        if (const int order = a.name.compare(b.name, Qt::CaseInsensitive)) return order < 0;
        if (a.address != b.address) return a.address < b.address;
        return a.name < b.name;
    });
    return hosts;
}

}  // namespace platform::discovery
