#pragma once
// Finds the enabled computers of the computer's Active Directory domain in
// the domain's directory, named by their computer names ("SRV01"), at the
// address their DNS names resolve to.
//
// libldap, libkrb5 and glibc's resolver cannot all be cut short at a
// deadline, so the directory is read on a thread of its own that the click
// never waits for: at the deadline the discoverer reports what it has and
// leaves, and a read still held by a silent server ends on its own later,
// with nothing of the discoverer's left to touch. One such read at a time.
//
// A directory too large to be read within the click's bound (a Samba DC
// takes seconds for 10,000 computers) is read once more without the click,
// within `BackgroundLimit`, and the next clicks within `CacheLifetime` list
// that reading at once, as a browse list is a kept list too. While a reading
// runs, a click gets that kept list if it is fresh, else nothing.

#include <chrono>
#include <functional>
#include <memory>

#include "platform/discovery/directory_computer.h"
#include "platform/discovery/discoverer.h"
#include "platform/name_resolver.h"

namespace platform::discovery {

class DirectoryDiscoverer final : public Discoverer {
    Q_OBJECT

public:
    using Deadline = std::chrono::steady_clock::time_point;
    // Reads the enabled computers of `domain`; runs on the reading thread.
    using ReadDirectory =
        std::function<std::vector<DirectoryComputer>(const QString& domain, Deadline deadline)>;

    // Reports within `budget` of start(); reading the directory may take all
    // but the last `ResolveShare` of it, which is left to resolving names.
    static constexpr std::chrono::milliseconds DefaultBudget{1700};
    static constexpr std::chrono::milliseconds ResolveShare{300};
    static constexpr std::chrono::seconds BackgroundLimit{30};
    static constexpr std::chrono::seconds CacheLifetime{300};

    DirectoryDiscoverer(QString domain, ReadDirectory read, std::shared_ptr<NameResolver> resolver,
                        std::chrono::milliseconds budget = DefaultBudget,
                        QObject* parent = nullptr);
    ~DirectoryDiscoverer() override;

    // The domain of this computer, read through libldap, names resolved by
    // the system resolver.
    static std::unique_ptr<DirectoryDiscoverer> forThisComputer(
        std::chrono::milliseconds budget = DefaultBudget);

    // False when the computer belongs to no domain.
    bool start() override;
    void stop() override;
    bool isFinished() const override { return finished_; }

    struct Reading;

private:
    void deliver(const QList<DiscoveredHost>& hosts);
    void finish();

    QString domain_;
    ReadDirectory read_;
    std::shared_ptr<NameResolver> resolver_;
    std::chrono::milliseconds budget_;
    std::shared_ptr<Reading> reading_;
    bool finished_ = false;
};

}  // namespace platform::discovery
