// Times the host-detection page with 10, 1,000 and 10,000 hosts: the
// enumeration into the list, a sort by each column and the HTML report.
// Host names are dotted loopback addresses, so the real resolver answers at
// once and the times are the page's own. Runs offscreen; prints a table.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/environment.h"
#include "platform/linux_name_resolver.h"
#include "platform/linux_sockets.h"
#include "platform/server_browser.h"
#include "tools/hosts/host_columns.h"
#include "tools/hosts/host_detection_page.h"
#include "ui/multi_line_text_box.h"
#include "ui/toolkit.h"

namespace {

// Deterministic shuffle, so every run sorts the same work.
std::uint32_t nextRandom(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

class LoopbackBrowser final : public platform::ServerBrowser {
public:
    explicit LoopbackBrowser(int hosts) {
        std::uint32_t seed = 12345;
        for (int i = 0; i < hosts; ++i) {
            const std::string dotted = "127." + std::to_string(i / 65536 % 256) + "." +
                                       std::to_string(i / 256 % 256) + "." +
                                       std::to_string(i % 256);
            result_.servers.push_back({std::u16string(dotted.begin(), dotted.end()), ""});
        }
        for (int i = hosts - 1; i > 0; --i)
            std::swap(result_.servers[i], result_.servers[nextRandom(seed) % (i + 1)]);
        result_.entriesRead = result_.totalEntries = static_cast<std::uint32_t>(hosts);
    }
    platform::ServerEnumResult NetServerEnum(std::uint32_t&) override { return result_; }

private:
    platform::ServerEnumResult result_;
};

class SilentToolkit final : public ui::Toolkit {
public:
    int boxes = 0;
    ui::MessageResult messageBox(const QString&, ui::MessageButtons, ui::MessageIcon,
                                 const QString&) override {
        ++boxes;
        return ui::MessageResult::Ok;
    }
    void processPendingEvents() override {}
    void processEventsUntil(const QDeadlineTimer&) override {}
    void endProgram() override {}
    void showModal(QDialog&) override {}
};

class FixedEnvironment final : public platform::Environment {
public:
    explicit FixedEnvironment(QString folder) : folder_(std::move(folder)) {}
    QDateTime currentDateTime() override {
        return QDateTime(QDate(2002, 4, 19), QTime(20, 39, 23));
    }
    QString applicationFolder() override { return folder_; }

private:
    QString folder_;
};

struct Timings {
    double enumerate = 0;
    double sortAll = 0;  // the seven column clicks together
    double sortWorst = 0;
    double report = 0;
    double enumerateSorted = 0;  // again, replacing every row, with sorting on
};

double millisecondsOf(const std::function<void()>& action) {
    QElapsedTimer timer;
    timer.start();
    action();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

Timings measure(int hosts, const QString& folder) {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tarsino on bench [127.0.0.1]"));
    auto* txt_domain = new QLineEdit(&window);
    auto* detect = new QPushButton(&window);
    auto* clear = new QPushButton(&window);
    auto* log = new QPushButton(&window);
    auto* list = new QTreeWidget(&window);
    auto* report = new ui::MultiLineTextBox(&window);
    list->setGeometry(8, 96, 393, 337);
    report->hide();
    window.show();

    LoopbackBrowser browser(hosts);
    platform::LinuxSockets sockets;
    platform::LinuxNameResolver resolver;
    SilentToolkit toolkit;
    FixedEnvironment environment(folder);
    hosts::HostDetectionPage page({&window, txt_domain, detect, clear, log, list, report}, browser,
                                  resolver, sockets, toolkit, environment);

    Timings timings;
    timings.enumerate = millisecondsOf([&] { page.CmdNetDetect_Click(); });
    // Annotations of varied text, so that every column has something to sort.
    std::uint32_t seed = 777;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        for (int column = hosts::host_column::User; column <= hosts::host_column::Room; ++column)
            list->topLevelItem(row)->setText(column, QString::number(nextRandom(seed) % 100000));
    for (int column = 1; column <= hosts::host_column::Count; ++column) {
        const double took = millisecondsOf([&] { page.Lv_hosts_ColumnClick(column); });
        timings.sortAll += took;
        timings.sortWorst = std::max(timings.sortWorst, took);
    }
    timings.report = millisecondsOf([&] { page.btn_logFile_Click(); });
    timings.enumerateSorted = millisecondsOf([&] { page.CmdNetDetect_Click(); });
    if (list->topLevelItemCount() != hosts || toolkit.boxes != 1)
        std::fprintf(stderr, "unexpected: %d rows, %d boxes\n", list->topLevelItemCount(),
                     toolkit.boxes);
    return timings;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir folder;

    std::printf("%8s %12s %14s %14s %12s %18s %22s\n", "hosts", "enumerate ms", "7 sorts ms",
                "worst sort ms", "report ms", "re-enum sorted ms", "all / (n log2 n) ns");
    for (const int hosts : {10, 1000, 10000}) {
        const Timings t = measure(hosts, folder.path());
        const double all = t.enumerate + t.sortAll + t.report + t.enumerateSorted;
        const double nLogN = hosts * std::log2(static_cast<double>(hosts));
        std::printf("%8d %12.2f %14.2f %14.2f %12.2f %18.2f %22.1f\n", hosts, t.enumerate,
                    t.sortAll, t.sortWorst, t.report, t.enumerateSorted, all * 1e6 / nLogN);
        std::fflush(stdout);
    }
    return 0;
}
