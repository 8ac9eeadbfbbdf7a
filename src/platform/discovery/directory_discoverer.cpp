#include "platform/discovery/directory_discoverer.h"

#include <QHostAddress>
#include <QTimer>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/byte_order.h"
#include "platform/discovery/computer_domain.h"
#include "platform/discovery/domain_directory.h"
#include "platform/linux_name_resolver.h"

namespace platform::discovery {

namespace {

QString dottedAddress(std::uint32_t networkOrder) {
    std::uint8_t octets[4];
    std::memcpy(octets, &networkOrder, sizeof octets);
    return QHostAddress(byte_order::loadBig32(octets)).toString();
}

// Readings still running, the abandoned ones included.
std::atomic<int> readingsRunning{0};

// The last reading made without a click, for the clicks that follow.
struct KeptList {
    std::mutex mutex;
    QString domain;
    QList<DiscoveredHost> hosts;
    std::chrono::steady_clock::time_point readAt;
    bool valid = false;
};
// Never destroyed: a reading may still run while the program ends.
KeptList& keptList = *new KeptList;

std::optional<QList<DiscoveredHost>> freshKeptList(const QString& domain) {
    const std::lock_guard lock(keptList.mutex);
    if (!keptList.valid || keptList.domain != domain ||
        std::chrono::steady_clock::now() - keptList.readAt > DirectoryDiscoverer::CacheLifetime)
        return std::nullopt;
    return keptList.hosts;
}

QList<DiscoveredHost> readAndResolve(const DirectoryDiscoverer::ReadDirectory& read,
                                     NameResolver& resolver, const QString& domain,
                                     DirectoryDiscoverer::Deadline readDeadline,
                                     DirectoryDiscoverer::Deadline resolveDeadline,
                                     bool* cutShort = nullptr) {
    const std::vector<DirectoryComputer> computers = read(domain, readDeadline);
    if (cutShort) *cutShort = std::chrono::steady_clock::now() >= readDeadline;
    std::vector<std::string> dnsNames;
    for (const DirectoryComputer& computer : computers)
        dnsNames.push_back(computer.dnsHostName.toStdString());
    const auto addresses = resolver.resolveAll(dnsNames, resolveDeadline);
    QList<DiscoveredHost> hosts;
    for (std::size_t i = 0; i < computers.size(); ++i) {
        const bool resolved =
            i < addresses.size() && addresses[i] && !computers[i].dnsHostName.isEmpty();
        hosts.append(
            DiscoveredHost{computers[i].name, resolved ? dottedAddress(*addresses[i]) : QString()});
    }
    return hosts;
}

}  // namespace

// Shared by the discoverer and its reading thread; `owner` is cleared, under
// the mutex, when the discoverer stops or goes, so the thread never posts to
// a discoverer that is gone.
struct DirectoryDiscoverer::Reading {
    std::mutex mutex;
    DirectoryDiscoverer* owner = nullptr;
};

DirectoryDiscoverer::DirectoryDiscoverer(QString domain, ReadDirectory read,
                                         std::shared_ptr<NameResolver> resolver,
                                         std::chrono::milliseconds budget, QObject* parent)
    : Discoverer(parent),
      domain_(std::move(domain)),
      read_(std::move(read)),
      resolver_(std::move(resolver)),
      budget_(budget) {}

DirectoryDiscoverer::~DirectoryDiscoverer() {
    stop();
}

std::unique_ptr<DirectoryDiscoverer> DirectoryDiscoverer::forThisComputer(
    std::chrono::milliseconds budget) {
    return std::make_unique<DirectoryDiscoverer>(readComputerDomain(), readDomainDirectory,
                                                 std::make_shared<LinuxNameResolver>(), budget);
}

bool DirectoryDiscoverer::start() {
    if (domain_.isEmpty() || reading_ || finished_) return false;
    reading_ = std::make_shared<Reading>();
    reading_->owner = this;
    const std::optional<QList<DiscoveredHost>> kept = freshKeptList(domain_);
    if (kept || readingsRunning.fetch_add(1) > 0) {
        // A kept list stands for a fresh reading; while a reading still runs
        // (held by a silent server, or reading for the kept list) none starts.
        if (!kept) readingsRunning.fetch_sub(1);
        QTimer::singleShot(
            0, this, [this, hosts = kept.value_or(QList<DiscoveredHost>())] { deliver(hosts); });
        return true;
    }
    const Deadline deadline = std::chrono::steady_clock::now() + budget_;
    const Deadline readDeadline =
        deadline - std::min<std::chrono::milliseconds>(ResolveShare, budget_);
    std::thread([reading = reading_, domain = domain_, read = read_, resolver = resolver_, deadline,
                 readDeadline] {
        bool cutShort = false;
        const QList<DiscoveredHost> hosts =
            readAndResolve(read, *resolver, domain, readDeadline, deadline, &cutShort);
        {
            const std::lock_guard lock(reading->mutex);
            if (DirectoryDiscoverer* owner = reading->owner)
                QMetaObject::invokeMethod(
                    owner, [owner, hosts] { owner->deliver(hosts); }, Qt::QueuedConnection);
        }
        if (cutShort) {
            // Read again with all the time a directory may need, for the
            // clicks to come; a silent server makes this give nothing.
            const Deadline end = std::chrono::steady_clock::now() + BackgroundLimit;
            const QList<DiscoveredHost> all =
                readAndResolve(read, *resolver, domain, end - ResolveShare * 10, end);
            if (!all.isEmpty()) {
                const std::lock_guard lock(keptList.mutex);
                keptList.domain = domain;
                keptList.hosts = all;
                keptList.readAt = std::chrono::steady_clock::now();
                keptList.valid = true;
            }
        }
        readingsRunning.fetch_sub(1);
    }).detach();
    return true;
}

void DirectoryDiscoverer::stop() {
    if (reading_) {
        const std::lock_guard lock(reading_->mutex);
        reading_->owner = nullptr;
    }
    finished_ = true;
}

void DirectoryDiscoverer::deliver(const QList<DiscoveredHost>& hosts) {
    if (finished_) return;
    for (const DiscoveredHost& host : hosts) emit discovered(host);
    finish();
}

void DirectoryDiscoverer::finish() {
    if (finished_) return;
    finished_ = true;
    emit finished();
}

}  // namespace platform::discovery
