#include "platform/discovery/lan_server_browser.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMutex>
#include <QThread>
#include <QTimer>

#include "platform/discovery/directory_discoverer.h"
#include "platform/discovery/dnssd_discoverer.h"
#include "platform/discovery/host_merger.h"
#include "platform/discovery/netbios_discoverer.h"
#include "platform/discovery/primary_group.h"
#include "platform/discovery/wsd_discoverer.h"

namespace platform {

namespace {

using discovery::Discoverer;

// What the discovery thread found so far; shared with the caller, who may
// have to leave before the thread ends.
struct Findings {
    QMutex mutex;
    discovery::HostMerger merger;
    bool anySourceRan = false;
};

// Runs on the discovery thread, with its own event loop.
void discover(const LanServerBrowser::DiscovererFactory& factory,
              std::chrono::milliseconds timeLimit, const std::shared_ptr<Findings>& findings) {
    // Counted from here, so that a slow start of one method eats into the
    // time of all rather than extending it.
    const QDeadlineTimer deadline(timeLimit);
    QEventLoop loop;
    std::vector<std::unique_ptr<Discoverer>> discoverers = factory();
    std::vector<Discoverer*> running;
    const auto allFinished = [&running] {
        for (Discoverer* discoverer : running)
            if (!discoverer->isFinished()) return false;
        return true;
    };
    for (const std::unique_ptr<Discoverer>& discoverer : discoverers) {
        // Each discoverer is a source of its own for the merge.
        const discovery::HostMerger::Source source = int(&discoverer - discoverers.data());
        QObject::connect(discoverer.get(), &Discoverer::discovered,
                         [&findings, source](const discovery::DiscoveredHost& host) {
                             QMutexLocker lock(&findings->mutex);
                             findings->merger.add(host, source);
                         });
        QObject::connect(discoverer.get(), &Discoverer::finished, &loop, [&] {
            if (allFinished()) loop.quit();
        });
        if (discoverer->start()) running.push_back(discoverer.get());
    }
    {
        QMutexLocker lock(&findings->mutex);
        findings->anySourceRan = !running.empty();
    }
    if (running.empty()) return;
    QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
    if (!allFinished()) loop.exec();
    for (Discoverer* discoverer : running)
        if (!discoverer->isFinished()) discoverer->stop();
}

}  // namespace

// The thread stops its discoverers at the time limit; this much more covers
// their teardown.
constexpr std::chrono::milliseconds TeardownGrace(300);

LanServerBrowser::LanServerBrowser(DiscovererFactory factory, std::chrono::milliseconds timeLimit)
    : factory_(std::move(factory)), timeLimit_(timeLimit) {}

LanServerBrowser::~LanServerBrowser() {
    if (!worker_) return;
    // Ends the discovery's event loop, or keeps it from starting.
    worker_->quit();
    worker_->wait();
}

ServerEnumResult LanServerBrowser::NetServerEnum(std::uint32_t& resumeHandle) {
    // A discovery that outlived its call (a method stuck beyond the time
    // limit) gets one more grace; should it still run, no other is started,
    // so that clicks cannot pile up threads.
    if (worker_) worker_->quit();
    if (worker_ && !worker_->wait(QDeadlineTimer(TeardownGrace))) {
        ServerEnumResult busy;
        busy.status = browser_status::NoBrowserServers;
        return busy;
    }
    worker_.reset();

    // The caller is a click handler on the window's thread, and the window must
    // neither take input nor repaint while the enumeration runs. So discovery
    // gets a thread and event loop of its own, and this thread simply waits:
    // no local event loop, hence no user event can slip in meanwhile.
    auto findings = std::make_shared<Findings>();
    worker_.reset(QThread::create(discover, factory_, timeLimit_, findings));
    worker_->start();
    // Should a discoverer hang beyond the grace, the caller still gets what
    // was found; the thread is waited for by the next call or at the end.
    if (worker_->wait(QDeadlineTimer(timeLimit_ + TeardownGrace))) worker_.reset();

    ServerEnumResult result;
    QMutexLocker lock(&findings->mutex);
    if (!findings->anySourceRan) {
        result.status = browser_status::NoBrowserServers;
        return result;
    }
    for (const discovery::DiscoveredHost& host : findings->merger.hosts())
        result.servers.push_back(
            ServerInfo{host.name.toStdU16String(), host.address.toStdString()});
    result.entriesRead = result.totalEntries = static_cast<std::uint32_t>(result.servers.size());
    resumeHandle = 0;
    return result;
}

std::unique_ptr<ServerBrowser> makeLanServerBrowser() {
    return std::make_unique<LanServerBrowser>([] {
        std::vector<std::unique_ptr<discovery::Discoverer>> discoverers;
        discoverers.push_back(std::make_unique<discovery::DnsSdDiscoverer>());
        discoverers.push_back(
            std::make_unique<discovery::WsdDiscoverer>(discovery::readPrimaryGroup()));
        discoverers.push_back(std::make_unique<discovery::NetBiosDiscoverer>(
            discovery::NetBiosDiscoverer::installedBrowseProgram()));
        discoverers.push_back(discovery::DirectoryDiscoverer::forThisComputer());
        return discoverers;
    });
}

}  // namespace platform
