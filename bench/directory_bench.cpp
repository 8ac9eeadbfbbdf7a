// Click to full list from the domain's directory, inside the domain lab of
// tests/lab/domain_lab.sh, side by side in one run with `ldapsearch -Y GSSAPI`
// making the same paged query. Prints one table row per measure.
//   directory_bench RUNS COMPUTERS

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
    std::printf("| %s | %.0f | %.0f | %.0f | %d-%d |\n", what, median(ms), *std::min_element(ms.begin(), ms.end()),
                *std::max_element(ms.begin(), ms.end()), *std::min_element(counts.begin(), counts.end()),
                *std::max_element(counts.begin(), counts.end()));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<double> clickMs, readMs, peerMs;
    std::vector<int> clickCounts, readCounts, peerCounts;
    const QStringList peerArguments{"-Y", "GSSAPI", "-N", "-O", "minssf=1", "-Q", "-LLL",
                                    "-H", "ldap://dc1.corp.tarsino.test", "-b", "DC=corp,DC=tarsino,DC=test",
                                    "-E", "pr=1000/noprompt",
                                    "(&(objectCategory=computer)(!(userAccountControl:1.2.840.113556.1.4.803:=2)))",
                                    "cn", "dNSHostName"};
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;

        clock.start();
        const auto browser = platform::makeLanServerBrowser();
        std::uint32_t resume = 0;
        const platform::ServerEnumResult result = browser->NetServerEnum(resume);
        clickMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        clickCounts.push_back(int(result.entriesRead));

        clock.restart();
        const auto computers = platform::discovery::readDomainDirectory(
            QStringLiteral("corp.tarsino.test"), std::chrono::steady_clock::now() + std::chrono::seconds(60));
        readMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        readCounts.push_back(int(computers.size()));

        QProcess peer;
        clock.restart();
        peer.start(QStringLiteral("ldapsearch"), peerArguments);
        peer.waitForFinished(120000);
        peerMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        peerCounts.push_back(int(peer.readAllStandardOutput().count("\ncn: ")));
    }
    row("click on \"&Rileva\" (all sources, its bound)", clickMs, clickCounts);
    row("directory read alone (no bound)", readMs, readCounts);
    row("ldapsearch -Y GSSAPI -N, same paged query", peerMs, peerCounts);
    return 0;
}
