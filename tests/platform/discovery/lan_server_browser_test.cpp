// The browser's side of the enumeration contract, with stand-in discoverers:
// what the caller gets when methods fail, find nothing, find the same host
// twice, or never finish.

#include <QSemaphore>
#include <QtTest>

#include <atomic>
#include <thread>

#include "platform/discovery/lan_server_browser.h"
#include "server_enumeration.h"

using platform::LanServerBrowser;
using platform::ServerEnumResult;
using platform::discovery::DiscoveredHost;
using platform::discovery::Discoverer;
using testing_support::enumerateFromStart;
using testing_support::names;

namespace {

// Time enough for a loaded machine to start the discovery thread and report
// what the stand-ins hold: a run that must find them waits this long for a
// method that never finishes, never for a figure that only a quick machine meets.
constexpr std::chrono::milliseconds Generous(2000);

// What the test wants to learn about a discoverer that lives and dies on the
// browser's thread.
struct Trace {
    std::atomic<bool> stopped{false};
    std::atomic<bool> destroyed{false};
};

class FakeDiscoverer final : public Discoverer {
public:
    enum class Ending { Finishes, NeverFinishes };

    FakeDiscoverer(bool canStart, QList<DiscoveredHost> hosts, Ending ending,
                   std::shared_ptr<Trace> trace = {}, QSemaphore* holdStart = nullptr,
                   QSemaphore* holdStop = nullptr)
        : canStart_(canStart),
          hosts_(std::move(hosts)),
          ending_(ending),
          trace_(std::move(trace)),
          holdStart_(holdStart),
          holdStop_(holdStop) {}
    ~FakeDiscoverer() override {
        if (trace_) trace_->destroyed = true;
    }

    bool start() override {
        if (holdStart_) holdStart_->acquire();
        if (!canStart_) return false;
        QTimer::singleShot(0, this, [this] {
            for (const DiscoveredHost& host : hosts_) emit discovered(host);
            if (ending_ == Ending::Finishes) {
                finished_ = true;
                emit finished();
            }
        });
        return true;
    }
    void stop() override {
        if (holdStop_) holdStop_->acquire();
        if (trace_) trace_->stopped = true;
        finished_ = true;
    }
    bool isFinished() const override { return finished_; }

private:
    bool canStart_;
    QList<DiscoveredHost> hosts_;
    Ending ending_;
    std::shared_ptr<Trace> trace_;
    QSemaphore* holdStart_;
    QSemaphore* holdStop_;
    bool finished_ = false;
};

using Fakes = std::vector<std::unique_ptr<Discoverer>>;

std::unique_ptr<Discoverer> fake(bool canStart, QList<DiscoveredHost> hosts = {},
                                 FakeDiscoverer::Ending ending = FakeDiscoverer::Ending::Finishes,
                                 std::shared_ptr<Trace> trace = {}, QSemaphore* holdStart = nullptr,
                                 QSemaphore* holdStop = nullptr) {
    return std::make_unique<FakeDiscoverer>(canStart, std::move(hosts), ending, std::move(trace),
                                            holdStart, holdStop);
}

}  // namespace

class LanServerBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void noMethodThatCanRunIsAFailureTheErrorBoxShows() {
        LanServerBrowser browser([] {
            Fakes fakes;
            fakes.push_back(fake(false));
            fakes.push_back(fake(false));
            return fakes;
        });
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::NoBrowserServers);
        QCOMPARE(result.entriesRead, 0u);
        QVERIFY(result.servers.empty());
    }

    void methodsThatRunAndFindNothingGiveAnEmptySuccess() {
        LanServerBrowser browser([] {
            Fakes fakes;
            fakes.push_back(fake(true));
            fakes.push_back(fake(false));
            return fakes;
        });
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(result.entriesRead, 0u);
        QCOMPARE(result.totalEntries, 0u);
        QVERIFY(result.servers.empty());
    }

    void everyMethodsHostsComeInOneCallOncePerNameInNameOrder() {
        LanServerBrowser browser([] {
            Fakes fakes;
            fakes.push_back(fake(true, {{"srv02.local", "10.0.0.2"}, {"PC-ANNA", "10.0.0.7"}}));
            fakes.push_back(fake(false, {{"ghost", "10.0.0.9"}}));
            fakes.push_back(fake(true, {{"pc-anna", "10.0.0.7"}, {"Alpha", "10.0.0.1"}}));
            return fakes;
        });
        std::uint32_t resumeHandle = 0;
        const ServerEnumResult result = browser.NetServerEnum(resumeHandle);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(result.entriesRead, 3u);
        QCOMPARE(result.totalEntries, 3u);
        QCOMPARE(names(result), QStringList({"Alpha", "PC-ANNA", "srv02.local"}));
        QCOMPARE(result.servers[0].seenAddress, std::string("10.0.0.1"));
        QCOMPARE(result.servers[2].seenAddress, std::string("10.0.0.2"));
        QCOMPARE(resumeHandle, 0u);

        // A second call discovers afresh rather than paging on.
        const ServerEnumResult again = browser.NetServerEnum(resumeHandle);
        QCOMPARE(names(again), names(result));
    }

    void aMethodThatNeverFinishesIsStoppedAtTheTimeLimitAndItsHostsKept() {
        auto trace = std::make_shared<Trace>();
        LanServerBrowser browser(
            [trace] {
                Fakes fakes;
                fakes.push_back(fake(true, {{"slow", "10.0.0.3"}},
                                     FakeDiscoverer::Ending::NeverFinishes, trace));
                fakes.push_back(fake(true, {{"quick", "10.0.0.4"}}));
                return fakes;
            },
            Generous);
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(names(result), QStringList({"quick", "slow"}));
        QVERIFY(trace->stopped);
        QVERIFY(trace->destroyed);
    }

    // A method stuck beyond the time limit must not hold the window: the call
    // returns, and the discovery thread cleans up once it comes free.
    void aMethodStuckInStartDoesNotHoldTheCaller() {
        auto trace = std::make_shared<Trace>();
        QSemaphore holdStart;
        LanServerBrowser browser(
            [trace, &holdStart] {
                Fakes fakes;
                fakes.push_back(fake(true, {{"late", "10.0.0.5"}}, FakeDiscoverer::Ending::Finishes,
                                     trace, &holdStart));
                return fakes;
            },
            std::chrono::milliseconds(20));
        const ServerEnumResult result = enumerateFromStart(browser);
        QCOMPARE(result.status, platform::browser_status::NoBrowserServers);
        QVERIFY(result.servers.empty());
        QVERIFY(!trace->destroyed);
        holdStart.release();
        QTRY_VERIFY_WITH_TIMEOUT(trace->destroyed, 10000);
    }

    // However often the user clicks while a discovery hangs, there is only
    // ever one: a click meanwhile starts none and says the list is not to be
    // had; once the hung one ends, discovery works again.
    void whileADiscoveryHangsNoOtherStarts() {
        auto trace = std::make_shared<Trace>();
        QSemaphore holdStop;
        std::atomic<int> started{0};
        LanServerBrowser browser(
            [&] {
                ++started;
                Fakes fakes;
                fakes.push_back(fake(true, {{"slow", "10.0.0.3"}},
                                     FakeDiscoverer::Ending::NeverFinishes, trace, nullptr,
                                     started == 1 ? &holdStop : nullptr));
                return fakes;
            },
            Generous);
        std::uint32_t resumeHandle = 0;
        QCOMPARE(names(browser.NetServerEnum(resumeHandle)), QStringList({"slow"}));
        for (int click = 0; click < 3; ++click) {
            const ServerEnumResult result = browser.NetServerEnum(resumeHandle);
            QCOMPARE(result.status, platform::browser_status::NoBrowserServers);
            QVERIFY(result.servers.empty());
        }
        QCOMPARE(started.load(), 1);
        holdStop.release();
        QTRY_VERIFY_WITH_TIMEOUT(trace->destroyed, 10000);  // the hung one has ended
        const ServerEnumResult result = browser.NetServerEnum(resumeHandle);
        QCOMPARE(result.status, platform::browser_status::Success);
        QCOMPARE(names(result), QStringList({"slow"}));
        QCOMPARE(started.load(), 2);
    }

    // The browser goes (the window closes) while its discovery still runs:
    // the discovery is waited for, not left to run into the program's end.
    void aBrowserThatGoesWaitsForItsDiscovery() {
        auto trace = std::make_shared<Trace>();
        QSemaphore holdStop;
        auto browser = std::make_unique<LanServerBrowser>(
            [&] {
                Fakes fakes;
                fakes.push_back(fake(true, {{"slow", "10.0.0.3"}},
                                     FakeDiscoverer::Ending::NeverFinishes, trace, nullptr,
                                     &holdStop));
                return fakes;
            },
            Generous);
        QCOMPARE(names(enumerateFromStart(*browser)), QStringList({"slow"}));
        QVERIFY(!trace->destroyed);  // held in stop()
        std::thread release([&holdStop] { holdStop.release(); });
        browser.reset();
        QVERIFY(trace->destroyed);
        release.join();
    }
};

QTEST_GUILESS_MAIN(LanServerBrowserTest)
#include "lan_server_browser_test.moc"
