#include "platform/discovery/netbios_discoverer.h"

#include <QFileInfo>

#include "platform/discovery/netbios_browse_output.h"
#include "platform/process/helper_program.h"

namespace platform::discovery {

NetBiosDiscoverer::NetBiosDiscoverer(QString browseProgram, QObject* parent)
    : Discoverer(parent), program_(std::move(browseProgram)), resolver_(this) {
    browseLimit_.setSingleShot(true);
    browseLimit_.setInterval(BrowseLimitMs);
    browse_.setStandardInputFile(QProcess::nullDevice());
    browse_.setStandardErrorFile(QProcess::nullDevice());
    connect(&browseLimit_, &QTimer::timeout, this, [this] { browseEnded(false); });
    connect(&browse_, &QProcess::readyReadStandardOutput, this, &NetBiosDiscoverer::readList);
    connect(&browse_, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        readList();
        browseEnded(status == QProcess::NormalExit && exitCode == 0);
    });
    connect(&resolver_, &NetBiosNameResolver::resolved, this,
            [this](const QString& name, const QHostAddress& address) {
                if (running_) emit discovered(DiscoveredHost{name, address.toString()});
            });
    connect(&resolver_, &NetBiosNameResolver::finished, this, &NetBiosDiscoverer::finish);
}

NetBiosDiscoverer::~NetBiosDiscoverer() {
    stopBrowse();
}

QString NetBiosDiscoverer::installedBrowseProgram() {
    return QString::fromStdString(platform::process::helperProgramPath("tarsino-netbios-browse"));
}

bool NetBiosDiscoverer::start() {
    if (!QFileInfo(program_).isExecutable() || !resolver_.open()) {
        resolver_.close();
        return false;
    }
    browse_.start(program_, {});
    if (!browse_.waitForStarted()) {
        resolver_.close();
        return false;
    }
    running_ = browsing_ = true;
    browseLimit_.start();
    return true;
}

void NetBiosDiscoverer::stop() {
    running_ = browsing_ = false;
    stopBrowse();
    resolver_.close();
    finished_ = true;
}

void NetBiosDiscoverer::readList() {
    list_ += browse_.read(netbios::MaxBrowseOutputBytes + 1 - list_.size());
    if (list_.size() > netbios::MaxBrowseOutputBytes) browseEnded(false);
}

// Every listed name is reported at once, without address, so that the names
// survive even if the browser's time limit cuts the name queries short; an
// address found later completes the entry.
void NetBiosDiscoverer::browseEnded(bool listComplete) {
    if (!browsing_) return;
    browsing_ = false;
    browseLimit_.stop();
    stopBrowse();
    const QStringList names = listComplete ? netbios::parseBrowseOutput(list_) : QStringList();
    list_.clear();
    for (const QString& name : std::as_const(names)) emit discovered(DiscoveredHost{name, {}});
    resolver_.resolve(names);  // finishes at once when there is nothing to ask
}

void NetBiosDiscoverer::finish() {
    if (!running_) return;
    running_ = false;
    finished_ = true;
    emit finished();
}

void NetBiosDiscoverer::stopBrowse() {
    browse_.disconnect(this);
    if (browse_.state() == QProcess::NotRunning) return;
    browse_.kill();
    browse_.waitForFinished(1000);
}

}  // namespace platform::discovery
