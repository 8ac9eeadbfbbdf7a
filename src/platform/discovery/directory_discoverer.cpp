#include "platform/discovery/directory_discoverer.h"

#include <QHostAddress>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/discovery/computer_domain.h"
#include "platform/discovery/domain_directory.h"
#include "platform/linux_name_resolver.h"

namespace platform::discovery {

namespace {

// Readings still running, the abandoned ones included.
std::atomic<int> readingsRunning{0};

QString dottedAddress(std::uint32_t networkOrder) {
    const auto* octets = reinterpret_cast<const unsigned char*>(&networkOrder);
    return QStringLiteral("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]);
}

}  // namespace

// Shared by the discoverer and its reading thread; `owner` is cleared, under
// the mutex, when the discoverer stops or goes, so the thread never posts to
// a discoverer that is gone.
struct DirectoryDiscoverer::Reading {
    std::mutex mutex;
    DirectoryDiscoverer* owner = nullptr;
};

DirectoryDiscoverer::DirectoryDiscoverer(QString domain, ReadDirectory read, std::shared_ptr<NameResolver> resolver,
                                         std::chrono::milliseconds budget, QObject* parent)
    : Discoverer(parent),
      domain_(std::move(domain)),
      read_(std::move(read)),
      resolver_(std::move(resolver)),
      budget_(budget) {}

DirectoryDiscoverer::~DirectoryDiscoverer() {
    stop();
}

std::unique_ptr<DirectoryDiscoverer> DirectoryDiscoverer::forThisComputer(std::chrono::milliseconds budget) {
    return std::make_unique<DirectoryDiscoverer>(readComputerDomain(), readDomainDirectory,
                                                 std::make_shared<LinuxNameResolver>(), budget);
}

bool DirectoryDiscoverer::start() {
    if (domain_.isEmpty() || reading_ || finished_) return false;
    reading_ = std::make_shared<Reading>();
    reading_->owner = this;
    if (readingsRunning.fetch_add(1) > 0) {
        // An earlier reading is still held by a silent server.
        readingsRunning.fetch_sub(1);
        QTimer::singleShot(0, this, &DirectoryDiscoverer::finish);
        return true;
    }
    const Deadline deadline = std::chrono::steady_clock::now() + budget_;
    const Deadline readDeadline = deadline - std::min(ResolveShare, budget_);
    std::thread([reading = reading_, domain = domain_, read = read_, resolver = resolver_, deadline, readDeadline] {
        const std::vector<DirectoryComputer> computers = read(domain, readDeadline);
        std::vector<std::string> dnsNames;
        for (const DirectoryComputer& computer : computers) dnsNames.push_back(computer.dnsHostName.toStdString());
        const auto addresses = resolver->resolveAll(dnsNames, deadline);
        QList<DiscoveredHost> hosts;
        for (std::size_t i = 0; i < computers.size(); ++i) {
            const bool resolved = i < addresses.size() && addresses[i] && !computers[i].dnsHostName.isEmpty();
            hosts.append(DiscoveredHost{computers[i].name, resolved ? dottedAddress(*addresses[i]) : QString()});
        }
        {
            const std::lock_guard lock(reading->mutex);
            if (DirectoryDiscoverer* owner = reading->owner)
                QMetaObject::invokeMethod(owner, [owner, hosts] { owner->deliver(hosts); }, Qt::QueuedConnection);
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
