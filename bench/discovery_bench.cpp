// Times "&Rileva" on the real window with the real LAN browser and resolver,
// on the client side of the hosts lab, from the click to the full list: every
// server the lab says must be found, with its address. Prints one table row:
// servers, median, minimum and maximum in milliseconds, runs that missed a
// server.
//   tests/lab/hosts_lab.sh run --avahi A --wsdd W build/bench/discovery_bench RUNS

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fake_services.h"
#include "hosts_lab_expectations.h"
#include "platform/discovery/lan_server_browser.h"
#include "platform/linux_name_resolver.h"
#include "platform/linux_sockets.h"
#include "shell/form_main.h"

using testing_support::HostsLabExpectations;

namespace {

bool listHoldsEveryServer(QTreeWidget& list, const HostsLabExpectations& expected) {
    if (list.topLevelItemCount() != expected.present.size()) return false;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list.topLevelItem(row);
        if (expected.present.value(item->text(2)) != item->text(1)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    if (runs <= 0 || HostsLabExpectations::labDir().isEmpty()) {
        std::fprintf(
            stderr,
            "usage: tests/lab/hosts_lab.sh run [--avahi A --wsdd W] discovery_bench RUNS\n");
        return 2;
    }
    const auto expected = HostsLabExpectations::read(HostsLabExpectations::labDir());

    testing_support::FakeServices fakes;
    platform::LinuxSockets sockets;
    platform::LinuxNameResolver resolver;
    const auto browser = platform::makeLanServerBrowser();
    shell::FormMain form(
        {sockets, fakes.noIcmp, *browser, resolver, fakes.environment, fakes.toolkit});
    form.show();
    // As a user gets there: the host page builds its list when it first shows.
    form.TabStrip1->setCurrentIndex(1);

    std::vector<double> times;
    int missed = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        form.CmdNetDetect->click();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (listHoldsEveryServer(*form.Lv_hosts, expected) && fakes.toolkit.messages.empty())
            times.push_back(took.count());
        else
            ++missed;
        fakes.toolkit.messages.clear();
    }
    std::sort(times.begin(), times.end());
    if (times.empty()) {
        std::printf("| %d | - | - | - | %d of %d |\n", static_cast<int>(expected.present.size()),
                    missed, runs);
        return 1;
    }
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf("| %d | %.1f | %.1f | %.1f | %d of %d |\n",
                static_cast<int>(expected.present.size()), median, times.front(), times.back(),
                missed, runs);
    return 0;
}
