// Times a whole trace route over the lab route client -> r1 -> r2 -> r3 ->
// target: our run (a click on Command1 of the real window, the real echo
// facility, through to "Trace Route Completato") against Debian's traceroute
// (one probe at a time, and parallel) and mtr, all run inside the client
// namespace. Optionally r2 holds every packet that comes from r1 for a fixed
// delay (nfq_delay). Prints one row per contender: median, minimum and
// maximum wall time in milliseconds and the ratio of its median to ours,
// then, for our two runs, where the time went: from the click to the first
// echo request, each probe (request to answer), each hop line and stop test,
// each event pass, from a pass to the next request, and from the last pass
// to the end of the click.
//   trace_bench RUNS [DELAY_MS NFQ_DELAY_PROGRAM]      (root)

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMap>
#include <QPaintEvent>
#include <QPushButton>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fake_services.h"
#include "netns_lab.h"
#include "platform/linux_icmp.h"
#include "platform/linux_sockets.h"
#include "route_lab.h"
#include "shell/form_main.h"
#include "ui/multi_line_text_box.h"
#include "ui/qt_toolkit.h"

extern char** environ;

namespace {

using testing_support::NetnsLab;
using Clock = std::chrono::steady_clock;

const QString Target = QStringLiteral("10.0.4.2");

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs a program in the calling thread's namespace, output to the file (or
// discarded); the wall time from spawn to exit, negative when it failed.
double timeProgram(const std::vector<std::string>& arguments,
                   const char* outputFile = "/dev/null") {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const auto start = Clock::now();
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double took = millisecondsSince(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took : -1;
}

// The moments of one run, as the echo facility and the toolkit see them.
enum class Mark { Click, SendBegin, SendEnd, PassBegin, PassEnd, Done };
using Marks = std::vector<std::pair<Mark, Clock::time_point>>;

class TimedIcmp : public platform::IcmpApi {
public:
    explicit TimedIcmp(Marks& marks) : marks_(marks) {}
    platform::IcmpHandle IcmpCreateFile() override { return icmp_.IcmpCreateFile(); }
    std::uint32_t IcmpSendEcho(platform::IcmpHandle handle, std::uint32_t destination,
                               const void* requestData, std::uint16_t requestSize,
                               const platform::icmp::EchoOptions* options, void* replyBuffer,
                               std::uint32_t replySize, std::uint32_t timeoutMs) override {
        marks_.emplace_back(Mark::SendBegin, Clock::now());
        const std::uint32_t replies =
            icmp_.IcmpSendEcho(handle, destination, requestData, requestSize, options, replyBuffer,
                               replySize, timeoutMs);
        marks_.emplace_back(Mark::SendEnd, Clock::now());
        return replies;
    }
    bool IcmpCloseHandle(platform::IcmpHandle handle) override {
        return icmp_.IcmpCloseHandle(handle);
    }

private:
    Marks& marks_;
    platform::LinuxIcmp icmp_;
};

class TimedToolkit : public ui::Toolkit {
public:
    TimedToolkit(ui::Toolkit& toolkit, Marks& marks) : toolkit_(toolkit), marks_(marks) {}
    ui::MessageResult messageBox(const QString& text, ui::MessageButtons buttons,
                                 ui::MessageIcon icon, const QString& title) override {
        return toolkit_.messageBox(text, buttons, icon, title);
    }
    void processPendingEvents() override {
        marks_.emplace_back(Mark::PassBegin, Clock::now());
        toolkit_.processPendingEvents();
        marks_.emplace_back(Mark::PassEnd, Clock::now());
    }
    // Only a probe that failed at once waits here; the lab's probes are answered.
    void processEventsUntil(const QDeadlineTimer& deadline) override {
        toolkit_.processEventsUntil(deadline);
    }
    void endProgram() override { toolkit_.endProgram(); }
    void showModal(QDialog& dialog) override { toolkit_.showModal(dialog); }

private:
    ui::Toolkit& toolkit_;
    Marks& marks_;
};

// One run's time by phase, in microseconds; probe, line and pass are per hop.
struct Phases {
    double start = 0, probe = 0, line = 0, pass = 0, next = 0, end = 0;
};

double microseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

Phases phasesOf(const Marks& marks) {
    Phases phases;
    int probes = 0;
    for (std::size_t i = 1; i < marks.size(); ++i) {
        const auto [mark, at] = marks[i];
        const auto [before, since] = marks[i - 1];
        const double took = microseconds(since, at);
        if (mark == Mark::SendBegin && before == Mark::Click) phases.start += took;
        if (mark == Mark::SendBegin && before == Mark::PassEnd) phases.next += took;
        if (mark == Mark::SendEnd) phases.probe += took, ++probes;
        if (mark == Mark::PassBegin) phases.line += took;
        if (mark == Mark::PassEnd) phases.pass += took;
        if (mark == Mark::Done) phases.end += took;
    }
    if (probes > 0) phases.probe /= probes, phases.line /= probes, phases.pass /= probes;
    return phases;
}

// Our trace route, one window kept for all runs as a user would.
class OurTrace {
public:
    explicit OurTrace(ui::Toolkit& toolkit, bool shown)
        : icmp_(marks_),
          toolkit_(toolkit, marks_),
          services_{sockets_,           icmp_,   *fakes_.browser, fakes_.resolver,
                    fakes_.environment, toolkit_},
          form_(services_) {
        if (shown) form_.show();
    }
    double run() {
        form_.Combo1->setEditText(Target);
        marks_.clear();
        const auto start = Clock::now();
        marks_.emplace_back(Mark::Click, start);
        form_.Command1->click();
        marks_.emplace_back(Mark::Done, Clock::now());
        const double took = millisecondsSince(start);
        const QString text = form_.Text4->text();
        const bool complete =
            text.count(QStringLiteral("Hop #")) == 4 &&
            text.endsWith(Target + QStringLiteral("\r\n\r\nTrace Route Completato"));
        if (complete) phases.push_back(phasesOf(marks_));
        return complete ? took : -1;
    }
    std::vector<Phases> phases;

private:
    Marks marks_;
    testing_support::FakeServices fakes_;
    platform::LinuxSockets sockets_;
    TimedIcmp icmp_;
    TimedToolkit toolkit_;
    shell::Services services_;
    shell::FormMain form_;
};

struct Contender {
    const char* name;
    std::function<double()> run;
    std::vector<double> times;
    int failures = 0;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Delays what r2 receives from r1 (probes to hops 2 and beyond, and their
// answers' way back is not delayed): every hop past r1 is DELAY_MS further.
bool delayLink(NetnsLab& lab, int delayMs, const QString& program) {
    const QString log = QStringLiteral("/tmp/%1-nfq.log").arg(lab.name(QStringLiteral("r2")));
    QFile::remove(log);
    if (lab.spawn(QStringLiteral("r2"), QStringLiteral("%1 7 %2").arg(program).arg(delayMs), log) <=
        0)
        return false;
    bool ready = false;
    for (int i = 0; i < 500 && !ready; ++i) {
        QFile file(log);
        ready = file.open(QIODevice::ReadOnly) && file.readAll().contains("ready");
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    QFile::remove(log);
    return ready &&
           lab.run(QStringLiteral("r2"), QStringLiteral("iptables -t mangle -A PREROUTING -i eth0 "
                                                        "-j NFQUEUE --queue-num 7"));
}

// Counts what the event passes paint, widget by widget: the area a pass
// repaints is most of its cost.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const QRect rect = static_cast<QPaintEvent*>(event)->rect();
            Painted& painted = painted_[QString::fromLatin1(object->metaObject()->className()) +
                                        QLatin1Char(' ') + object->objectName()];
            ++painted.events;
            painted.pixels += double(rect.width()) * rect.height();
        }
        return false;
    }
    void print(int runs) const {
        std::printf("\n| painted per run (Qt event pass) | events | kpixels |\n|---|---|---|\n");
        for (auto it = painted_.begin(); it != painted_.end(); ++it)
            std::printf("| %-31s | %6.1f | %7.1f |\n", qPrintable(it.key()),
                        double(it->events) / runs, it->pixels / runs / 1000);
    }

private:
    struct Painted {
        int events = 0;
        double pixels = 0;
    };
    QMap<QString, Painted> painted_;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const int delayMs = argc > 3 ? std::atoi(argv[2]) : 0;
    if (runs <= 0 || (argc > 3 && delayMs <= 0)) {
        std::fprintf(stderr, "usage: trace_bench RUNS [DELAY_MS NFQ_DELAY_PROGRAM]\n");
        return 2;
    }
    if (const QString why = NetnsLab::skipReason(); !why.isEmpty()) {
        std::fprintf(stderr, "trace_bench: %s\n", qPrintable(why));
        return 1;
    }
    NetnsLab lab(QStringLiteral("bench"));
    if (!testing_support::buildRoute(lab)) {
        std::fprintf(stderr, "trace_bench: the route lab could not be built\n");
        return 1;
    }
    if (delayMs > 0 && !delayLink(lab, delayMs, QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "trace_bench: the delay on r1 -> r2 could not be set up\n");
        return 1;
    }

    NetnsLab::Inside inside(lab, QStringLiteral("client"));
    if (!inside.ok()) return 1;
    testing_support::FakeToolkit fakeToolkit;
    ui::QtToolkit qtToolkit;
    OurTrace headless(fakeToolkit, false);
    OurTrace shown(qtToolkit, true);
    const std::string target = Target.toStdString();
    // TRACE_BENCH_PAINTS=1 also says what each pass repaints (its times then
    // include the counting).
    const bool countPaints = qEnvironmentVariableIsSet("TRACE_BENCH_PAINTS");
    PaintCounter paints;
    std::vector<Contender> contenders{
        {"tarsino (fake toolkit)", [&] { return headless.run(); }, {}},
        {"tarsino (Qt event pass)",
         [&] {
             if (countPaints) application.installEventFilter(&paints);
             const double took = shown.run();
             application.removeEventFilter(&paints);
             return took;
         },
         {}},
        {"traceroute -I -n -q 1 -N 1",
         [&] {
             return timeProgram({"traceroute", "-I", "-n", "-q", "1", "-N", "1", target});
         },
         {}},
        {"traceroute -I -n -q 1",
         [&] {
             return timeProgram({"traceroute", "-I", "-n", "-q", "1", target});
         },
         {}},
        {"mtr -r -n -c 1",
         [&] {
             return timeProgram({"mtr", "-r", "-n", "-c", "1", target});
         },
         {}},
    };
    // Rounds rather than blocks, so that a noisy moment hits every contender.
    for (int round = 0; round < runs; ++round)
        for (Contender& contender : contenders) {
            const double took = contender.run();
            if (took < 0)
                ++contender.failures;
            else
                contender.times.push_back(took);
        }

    const double ours = contenders.front().times.empty() ? 0 : median(contenders.front().times);
    for (const Contender& contender : contenders) {
        if (contender.times.empty()) {
            std::printf("| %-28s | %9s | %8s | %8s | %9s | failed %d of %d |\n", contender.name,
                        "-", "-", "-", "-", contender.failures, runs);
            continue;
        }
        const double m = median(contender.times);
        std::printf("| %-28s | %9.2f | %8.2f | %8.2f | %9.2f |", contender.name, m,
                    *std::min_element(contender.times.begin(), contender.times.end()),
                    *std::max_element(contender.times.begin(), contender.times.end()),
                    ours > 0 ? m / ours : 0);
        if (contender.failures) std::printf(" failed %d of %d", contender.failures, runs);
        std::printf("\n");
    }

    // Medians over the runs, phase by phase.
    std::printf(
        "\n| our run, median us          | to 1st request | probe/hop | line/hop | pass/hop | pass "
        "to next | end |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const auto& [name, trace] :
         {std::pair{"tarsino (fake toolkit)", &headless}, {"tarsino (Qt event pass)", &shown}}) {
        const auto of = [&](double Phases::*phase) {
            std::vector<double> values;
            for (const Phases& phases : trace->phases) values.push_back(phases.*phase);
            return values.empty() ? 0 : median(values);
        };
        std::printf("| %-28s | %14.0f | %9.0f | %8.0f | %8.0f | %12.0f | %3.0f |\n", name,
                    of(&Phases::start), of(&Phases::probe), of(&Phases::line), of(&Phases::pass),
                    of(&Phases::next), of(&Phases::end));
    }
    if (countPaints) paints.print(runs);
    return 0;
}
