// The directory as one more source: its computers reach the merge by their
// computer names at the addresses their DNS names resolve to, within the
// click's bound, and nothing at all when there is no domain or the directory
// is still held by an earlier click.

#include <QtTest>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "fake_name_resolver.h"
#include "platform/discovery/directory_discoverer.h"
#include "platform/discovery/host_merger.h"

using namespace platform::discovery;
using testing_support::FakeNameResolver;

namespace {

// The merge's identities of the two sources these tests play.
constexpr HostMerger::Source Directory = 0, WsDiscovery = 1;

struct Run {
    HostMerger merger;
    int finishedCount = 0;
};

// Starts `discoverer` and gathers what it reports until it says it has finished.
bool runToEnd(DirectoryDiscoverer& discoverer, Run& run) {
    QObject::connect(&discoverer, &Discoverer::discovered,
                     [&run](const DiscoveredHost& host) { run.merger.add(host, Directory); });
    QObject::connect(&discoverer, &Discoverer::finished, [&run] { ++run.finishedCount; });
    if (!discoverer.start()) return false;
    return QTest::qWaitFor([&] { return discoverer.isFinished() && run.finishedCount == 1; },
                           30000);
}

QStringList rows(const HostMerger& merger) {
    QStringList rows;
    for (const DiscoveredHost& host : merger.hosts()) rows << host.name + '@' + host.address;
    return rows;
}

}  // namespace

class DirectoryDiscovererTest : public QObject {
    Q_OBJECT

private slots:
    void computersAreListedByNameAtTheirDnsAddress() {
        auto resolver = std::make_shared<FakeNameResolver>();
        resolver->addHost("srv01.corp.test", {10, 0, 0, 11});
        resolver->addHost("pc-anna.corp.test", {10, 0, 0, 12});
        QString askedDomain;
        DirectoryDiscoverer::Deadline readDeadline;
        DirectoryDiscoverer discoverer(
            QStringLiteral("corp.test"),
            [&](const QString& domain, DirectoryDiscoverer::Deadline deadline) {
                askedDomain = domain;
                readDeadline = deadline;
                return std::vector<DirectoryComputer>{{"SRV01", "srv01.corp.test"},
                                                      {"PC-ANNA", "pc-anna.corp.test"},
                                                      {"OLD", "old.corp.test"},
                                                      {"NODNS", ""}};
            },
            resolver, std::chrono::milliseconds(1700));
        Run run;
        QVERIFY(runToEnd(discoverer, run));
        // The same machine, also announced by WS-Discovery: one row.
        run.merger.add(DiscoveredHost{"srv01", "10.0.0.11"}, WsDiscovery);
        QCOMPARE(rows(run.merger),
                 (QStringList{"NODNS@", "OLD@", "PC-ANNA@10.0.0.12", "SRV01@10.0.0.11"}));
        QCOMPARE(askedDomain, "corp.test");
        // Reading leaves its share of the bound to resolving.
        QCOMPARE(resolver->deadlines.size(), 1u);
        QVERIFY(resolver->deadlines.front() - readDeadline == DirectoryDiscoverer::ResolveShare);
    }

    void noDomainNoSource() {
        bool asked = false;
        DirectoryDiscoverer discoverer(
            QString(),
            [&](const QString&, DirectoryDiscoverer::Deadline) {
                asked = true;
                return std::vector<DirectoryComputer>{};
            },
            std::make_shared<FakeNameResolver>());
        QVERIFY(!discoverer.start());
        QVERIFY(!asked);
    }

    // A directory too large for the click: the click lists what it could
    // read, the directory is read again without it, and a later click lists
    // that whole reading at once.
    void aDirectoryTooLargeForTheClickIsListedByTheNextClicks() {
        std::atomic<int> readings{0};
        const auto large = [&](const QString&, DirectoryDiscoverer::Deadline deadline) {
            if (readings.fetch_add(1) == 0) {
                std::this_thread::sleep_until(deadline);  // the first page outlasts the click
                return std::vector<DirectoryComputer>{{"FIRST", ""}};
            }
            return std::vector<DirectoryComputer>{{"FIRST", ""}, {"SECOND", ""}};
        };
        auto resolver = std::make_shared<FakeNameResolver>();
        DirectoryDiscoverer click(QStringLiteral("large.test"), large, resolver,
                                  std::chrono::milliseconds(400));
        Run run;
        QVERIFY(runToEnd(click, run));
        QCOMPARE(rows(run.merger), QStringList{"FIRST@"});
        QVERIFY(QTest::qWaitFor(
            [&] {
                DirectoryDiscoverer next(QStringLiteral("large.test"), large, resolver);
                Run later;
                return runToEnd(next, later) &&
                       rows(later.merger) == QStringList{"FIRST@", "SECOND@"};
            },
            30000));
        QCOMPARE(readings.load(), 2);
    }

    // A directory that holds its reader past the click: the click is left
    // with nothing, and the next click starts no second reader meanwhile.
    void aHeldReadingIsLeftBehindAndNotRepeated() {
        std::mutex mutex;
        std::condition_variable released;
        bool release = false;
        int readings = 0;
        const auto held = [&](const QString&, DirectoryDiscoverer::Deadline) {
            std::unique_lock lock(mutex);
            ++readings;
            released.wait(lock, [&] { return release; });
            return std::vector<DirectoryComputer>{{"LATE", ""}};
        };
        auto resolver = std::make_shared<FakeNameResolver>();
        {
            DirectoryDiscoverer first(QStringLiteral("corp.test"), held, resolver);
            QVERIFY(first.start());
            QVERIFY(QTest::qWaitFor(
                [&] {
                    std::lock_guard lock(mutex);
                    return readings == 1;
                },
                30000));
            first.stop();
        }
        DirectoryDiscoverer second(QStringLiteral("corp.test"), held, resolver);
        Run run;
        QVERIFY(runToEnd(second, run));
        QVERIFY(run.merger.hosts().isEmpty());
        {
            std::lock_guard lock(mutex);
            QCOMPARE(readings, 1);
            release = true;
        }
        released.notify_all();
        // Once the held reading ends, a new click reads again.
        QVERIFY(QTest::qWaitFor(
            [&] {
                Run attempt;
                DirectoryDiscoverer probe(
                    QStringLiteral("corp.test"),
                    [](const QString&, DirectoryDiscoverer::Deadline) {
                        return std::vector<DirectoryComputer>{{"SRV01", ""}};
                    },
                    resolver);
                return runToEnd(probe, attempt) && !attempt.merger.hosts().isEmpty();
            },
            30000));
    }
};

QTEST_GUILESS_MAIN(DirectoryDiscovererTest)
#include "directory_discoverer_test.moc"
