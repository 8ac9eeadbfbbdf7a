// Click to full list from the domain's directory, inside the domain lab of
// tests/lab/domain_lab.sh, side by side in one run with `ldapsearch -Y GSSAPI`
// making the same paged query. Prints one table row per measure.
//   directory_bench RUNS [COMPUTERS]   (COMPUTERS: the directory's enabled ones)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/discovery/domain_directory.h"
#include "platform/discovery/lan_server_browser.h"

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void row(const char* what, const std::vector<double>& ms, const std::vector<int>& counts) {
    std::printf("| %s | %.0f | %.0f | %.0f | %d-%d |\n", what, median(ms),
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
                *std::min_element(counts.begin(), counts.end()),
                *std::max_element(counts.begin(), counts.end()));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<double> readMs, peerMs;
    std::vector<int> readCounts, peerCounts;
    const QStringList peerArguments{
        "-Y",
        "GSSAPI",
        "-N",
        "-O",
        "minssf=1",
        "-Q",
        "-LLL",
        "-H",
        "ldap://dc1.corp.tarsino.test",
        "-b",
        "DC=corp,DC=tarsino,DC=test",
        "-E",
        "pr=1000/noprompt",
        "(&(objectCategory=computer)(!(userAccountControl:1.2.840.113556.1.4.803:=2)))",
        "cn",
        "dNSHostName"};
    // From the first click until a click shows every computer: the first
    // one cannot hold a directory this large, the ones after it list what
    // was read meanwhile. Clicked as a user would, one after the other.
    {
        const int expected = argc > 2 ? std::atoi(argv[2]) : 10000;
        const auto browser = platform::makeLanServerBrowser();
        QElapsedTimer clock;
        clock.start();
        int clicks = 0;
        std::uint32_t listed = 0;
        std::vector<double> firstMs;
        std::vector<int> firstCount;
        while (clock.elapsed() < 120000) {
            QElapsedTimer one;
            one.start();
            std::uint32_t resume = 0;
            listed = browser->NetServerEnum(resume).entriesRead;
            ++clicks;
            if (clicks == 1) {
                firstMs.push_back(double(one.nsecsElapsed()) / 1e6);
                firstCount.push_back(int(listed));
            }
            if (int(listed) >= expected) break;
        }
        row("first click on \"&Rileva\"", firstMs, firstCount);
        std::printf("| click to full list (%d clicks) | %.0f | | | %u |\n", clicks,
                    double(clock.nsecsElapsed()) / 1e6, listed);
    }
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;

        clock.restart();
        const auto computers = platform::discovery::readDomainDirectory(
            QStringLiteral("corp.tarsino.test"),
            std::chrono::steady_clock::now() + std::chrono::seconds(60));
        readMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        readCounts.push_back(int(computers.size()));

        QProcess peer;
        clock.restart();
        peer.start(QStringLiteral("ldapsearch"), peerArguments);
        peer.waitForFinished(120000);
        peerMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        peerCounts.push_back(int(peer.readAllStandardOutput().count("\ncn: ")));
    }
    row("directory read alone (no bound)", readMs, readCounts);
    row("ldapsearch -Y GSSAPI -N, same paged query", peerMs, peerCounts);
    return 0;
}
