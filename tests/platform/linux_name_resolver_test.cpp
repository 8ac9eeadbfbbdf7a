// The resolver's worker pool with lookups of the test's making: answers come
// back in order, a lookup that never returns neither holds the caller nor
// stops the others, and stuck lookups never make the threads pile up.

#include <QDir>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/linux_name_resolver.h"

using platform::LinuxNameResolver;
using Answers = std::vector<std::optional<std::uint32_t>>;

namespace {

int threadCount() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

std::chrono::steady_clock::time_point in(std::chrono::milliseconds delay) {
    return std::chrono::steady_clock::now() + delay;
}

// Lookups of names starting with "stuck" wait until the gate opens; the
// gate records which names were looked up and how many at once.
class Gate {
public:
    std::optional<std::uint32_t> lookUp(const std::string& name) {
        std::unique_lock lock(mutex_);
        looked_.push_back(name);
        ++running_;
        mostAtOnce_ = std::max(mostAtOnce_, running_);
        if (name.rfind("stuck", 0) == 0) changed_.wait(lock, [this] { return open_; });
        --running_;
        if (name.rfind("host", 0) == 0)
            return static_cast<std::uint32_t>(std::stoul(name.substr(4)));
        return std::nullopt;
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    std::vector<std::string> looked() {
        std::lock_guard lock(mutex_);
        return looked_;
    }
    int mostAtOnce() {
        std::lock_guard lock(mutex_);
        return mostAtOnce_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    std::vector<std::string> looked_;
    int running_ = 0;
    int mostAtOnce_ = 0;
};

}  // namespace

class LinuxNameResolverTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { threadsWithoutResolver_ = threadCount(); }

    void answersComeBackInTheNamesOrder() {
        LinuxNameResolver resolver(
            [](const std::string& name) -> std::optional<std::uint32_t> {
                if (name.rfind("host", 0) != 0) return std::nullopt;
                return static_cast<std::uint32_t>(std::stoul(name.substr(4)));
            },
            3);
        std::vector<std::string> names;
        Answers expected;
        for (int i = 1; i <= 40; ++i) {
            names.push_back(i % 7 == 0 ? "unknown" + std::to_string(i)
                                       : "host" + std::to_string(i));
            expected.push_back(i % 7 == 0 ? std::nullopt : std::optional<std::uint32_t>(i));
        }
        // The call ends as soon as every name has its answer, long before this.
        QCOMPARE(resolver.resolveAll(names, in(std::chrono::hours(1))), expected);
        QCOMPARE(resolver.resolveAll({}, in(std::chrono::hours(1))), Answers());
    }

    void aStuckLookupDoesNotStopTheOthers() {
        // The first name never answers until all the others have been looked
        // up: one after another, the call would reach its deadline with none.
        auto gate = std::make_shared<Gate>();
        const auto quickLooked = std::make_shared<std::atomic<int>>(0);
        LinuxNameResolver resolver(
            [gate, quickLooked](const std::string& name) {
                const auto answer = gate->lookUp(name);
                if (name.rfind("host", 0) == 0 && ++*quickLooked == 10) gate->open();
                return answer;
            },
            4);
        std::vector<std::string> names{"stuck"};
        for (int i = 1; i <= 10; ++i) names.push_back("host" + std::to_string(i));
        const Answers answers = resolver.resolveAll(names, in(std::chrono::minutes(2)));
        QCOMPARE(answers.size(), names.size());
        QCOMPARE(answers[0], std::nullopt);
        for (std::size_t i = 1; i < names.size(); ++i)
            QCOMPARE(answers[i], std::optional<std::uint32_t>(i));
    }

    void stuckLookupsHoldNeitherCallerNorThreadsNorMemory() {
        // The workers of earlier tests end once their work is done.
        QTRY_COMPARE_WITH_TIMEOUT(threadCount(), threadsWithoutResolver_, 30000);
        const int before = threadCount();
        auto gate = std::make_shared<Gate>();
        constexpr int Threads = 4;
        {
            LinuxNameResolver resolver(
                [gate](const std::string& name) { return gate->lookUp(name); }, Threads);
            std::vector<std::string> names;
            for (int i = 0; i < 200; ++i) names.push_back("stuck" + std::to_string(i));
            for (int click = 0; click < 5; ++click) {
                // Every name stays unanswered, and the call still returns.
                const Answers answers =
                    resolver.resolveAll(names, in(std::chrono::milliseconds(30)));
                QCOMPARE(answers, Answers(names.size()));
                QVERIFY2(threadCount() <= before + Threads,
                         qPrintable(QString::number(threadCount())));
            }
            // The lookups still held are the only ones ever started.
            QVERIFY(gate->looked().size() <= std::size_t{Threads});
            QVERIFY(gate->mostAtOnce() <= Threads);
        }
        // The resolver is gone; the held lookups return into answers nobody
        // reads (the sanitizer build catches a write into freed memory), and
        // their threads end without taking up the names that were dropped.
        gate->open();
        QTRY_COMPARE_WITH_TIMEOUT(threadCount(), before, 30000);
        QVERIFY(gate->looked().size() <= std::size_t{Threads});
    }

private:
    int threadsWithoutResolver_ = 0;
};

QTEST_GUILESS_MAIN(LinuxNameResolverTest)
#include "linux_name_resolver_test.moc"
