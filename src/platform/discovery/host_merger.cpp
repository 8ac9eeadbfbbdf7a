#include "platform/discovery/host_merger.h"

#include <QMap>
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

// Machines as sets of names; each starts as the reports of one name.
class Machines {
public:
    qsizetype rootOf(qsizetype name) const {
        while (parent_[name] != name) name = parent_[name];
        return name;
    }

    qsizetype addName(QSet<HostMerger::Source> sources) {
        parent_.append(parent_.size());
        sources_.append(std::move(sources));
        return parent_.size() - 1;
    }

    // Joins two machines unless one source named both: a source never
    // names one machine twice at one address.
    bool tryJoin(qsizetype a, qsizetype b) {
        a = rootOf(a);
        b = rootOf(b);
        if (a == b) return true;
        if (sources_[a].intersects(sources_[b])) return false;
        if (b < a) std::swap(a, b);
        parent_[b] = a;
        sources_[a].unite(sources_[b]);
        return true;
    }

private:
    QList<qsizetype> parent_;
    QList<QSet<HostMerger::Source>> sources_;
};

}  // namespace

void HostMerger::add(const DiscoveredHost& host, Source source) {
    if (host.name.isEmpty()) return;
    const QString identity = QString::number(source) + QLatin1Char('/') +
                             QString::number(int(host.naming)) + QLatin1Char('/') + host.address +
                             QLatin1Char('/') + host.name;
    if (seen_.contains(identity)) return;
    seen_.insert(identity);
    reports_.append({host, source});
}

QList<DiscoveredHost> HostMerger::hosts() const {
    // First by name, whoever reported it: one name is one machine.
    QMap<QString, QSet<Source>> sourcesByName;  // in name order, so joins below never
                                                // depend on the order of arrival
    for (const Report& report : reports_)
        sourcesByName[machineName(report.host)].insert(report.source);
    Machines machines;
    QHash<QString, qsizetype> nameIndex;
    for (auto name = sourcesByName.cbegin(); name != sourcesByName.cend(); ++name)
        nameIndex.insert(name.key(), machines.addName(name.value()));

    QList<qsizetype> nameOf(reports_.size());
    QMap<QString, QList<qsizetype>> namesByAddress;
    for (qsizetype report = 0; report < reports_.size(); ++report) {
        nameOf[report] = nameIndex.value(machineName(reports_[report].host));
        if (!reports_[report].host.address.isEmpty())
            namesByAddress[reports_[report].host.address].append(nameOf[report]);
    }
    // Then by address, across sources: each name joins the first machine
    // there (in name order) that no source of its own already named.
    for (QList<qsizetype>& names : namesByAddress) {
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        QList<qsizetype> here;
        for (const qsizetype name : names) {
            const qsizetype root = machines.rootOf(name);
            if (here.contains(root)) continue;
            const auto joined = std::find_if(here.begin(), here.end(), [&](qsizetype other) {
                return machines.tryJoin(other, root);
            });
            if (joined == here.end())
                here.append(root);
            else
                *joined = machines.rootOf(root);
        }
    }

    QHash<qsizetype, qsizetype> chosen;  // machine -> report that names it
    QHash<qsizetype, QString> firstAddress;
    for (qsizetype report = 0; report < reports_.size(); ++report) {
        const qsizetype machine = machines.rootOf(nameOf[report]);
        const auto current = chosen.constFind(machine);
        if (current == chosen.cend() ||
            !namesBetter(reports_[*current].host, reports_[report].host))
            chosen.insert(machine, report);
        if (!reports_[report].host.address.isEmpty() && !firstAddress.contains(machine))
            firstAddress.insert(machine, reports_[report].host.address);
    }
    QList<DiscoveredHost> hosts;
    hosts.reserve(chosen.size());
    for (auto machine = chosen.cbegin(); machine != chosen.cend(); ++machine) {
        DiscoveredHost host = reports_[machine.value()].host;
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
