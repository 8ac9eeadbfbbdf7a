// "&Rileva" with the real resolver where DNS never answers. A server of the
// test's own, on the loopback of a namespace the test makes, reads every
// query and stays silent; this process alone sees a resolver configuration
// that points there (a private mount namespace: this machine's own files are
// never touched). A thousand names are listed with the addresses discovery
// saw, click after click, with a bounded number of threads, and the lookups
// still held when the test ends do not hold the program's exit (they would
// for minutes: the ctest time-out catches that).

#include <QApplication>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "cannot_run.h"
#include "host_page_fixture.h"
#include "netns_lab.h"
#include "platform/linux_name_resolver.h"

using platform::LinuxNameResolver;
using testing_support::HostPageFixture;
using testing_support::NetnsLab;
namespace status = platform::browser_status;

namespace {

// Gives this process a mount namespace of its own in which host names are
// looked up by DNS alone, at 127.0.0.1, waiting 30 s for each of 5 attempts,
// so that a silent server holds every lookup far longer than the test runs.
// Runs first in main, before any thread exists. Empty when done, else why not.
QString useSilentDnsConfiguration() {
    if (::geteuid() != 0) return QStringLiteral("needs root for a private mount namespace");
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("cannot make a private mount namespace here");
    char folder[] = "/tmp/tarsino-silent-dns-XXXXXX";
    if (::mkdtemp(folder) == nullptr) return QStringLiteral("cannot make a temporary folder");
    const struct {
        const char* target;
        const char* name;
        const char* text;
    } files[] = {
        {"/etc/resolv.conf", "resolv.conf",
         "nameserver 127.0.0.1\noptions timeout:30 attempts:5\n"},
        {"/etc/nsswitch.conf", "nsswitch.conf", "hosts: dns\n"},
    };
    QString failure;
    for (const auto& file : files) {
        const std::string path = std::string(folder) + "/" + file.name;
        std::FILE* stream = std::fopen(path.c_str(), "w");
        if (stream == nullptr) return QStringLiteral("cannot write %1").arg(path.c_str());
        std::fputs(file.text, stream);
        std::fclose(stream);
        // Seen through the mount alone: the file itself goes at once.
        if (failure.isEmpty() && ::mount(path.c_str(), file.target, nullptr, MS_BIND, nullptr) != 0)
            failure = QStringLiteral("cannot mount over %1").arg(file.target);
        ::unlink(path.c_str());
    }
    ::rmdir(folder);
    return failure;
}

int threadCount() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

// A DNS server that reads queries on 127.0.0.1:53 of the calling thread's
// network namespace, notes the names asked for, and never answers.
class SilentDnsServer {
public:
    SilentDnsServer() {
        socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(53);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        listening_ = socket_ >= 0 && ::bind(socket_, reinterpret_cast<const sockaddr*>(&address),
                                            sizeof address) == 0;
        if (listening_) thread_ = std::thread([this] { serve(); });
    }
    ~SilentDnsServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (socket_ >= 0) ::close(socket_);
    }
    bool listening() const { return listening_; }
    QStringList askedNames() {
        std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    void serve() {
        while (!stop_) {
            pollfd ready{socket_, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0) continue;
            unsigned char query[512];
            const ssize_t size = ::recv(socket_, query, sizeof query, 0);
            if (size <= 12) continue;
            // The question's name, label by label, after the 12-byte header.
            QStringList labels;
            for (ssize_t at = 12; at < size && query[at] != 0 && query[at] < 64;) {
                const int length = query[at];
                if (at + 1 + length > size) break;
                labels << QString::fromLatin1(reinterpret_cast<const char*>(query + at + 1),
                                              length);
                at += 1 + length;
            }
            std::lock_guard lock(mutex_);
            if (asked_.size() < 10000) asked_ << labels.join(QLatin1Char('.'));
        }
    }

    int socket_ = -1;
    bool listening_ = false;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    QStringList asked_;
    std::thread thread_;
};

}  // namespace

class HostDetectionSilentDnsTest : public QObject {
    Q_OBJECT

public:
    explicit HostDetectionSilentDnsTest(QString whyNot) : whyNot_(std::move(whyNot)) {}

private slots:
    void thousandNamesGetTheirSeenAddressesClickAfterClick() {
        if (!whyNot_.isEmpty()) TARSINO_CANNOT_RUN(whyNot_);
        const QString labMissing = NetnsLab::skipReason();
        if (!labMissing.isEmpty()) TARSINO_CANNOT_RUN(labMissing);
        NetnsLab lab(QStringLiteral("dns"));
        QVERIFY(!lab.addNamespace(QStringLiteral("client")).isEmpty());
        std::unique_ptr<SilentDnsServer> dns;
        {
            NetnsLab::Inside inside(lab, QStringLiteral("client"));
            QVERIFY(inside.ok());
            dns = std::make_unique<SilentDnsServer>();
        }
        QVERIFY(dns->listening());

        LinuxNameResolver resolver;
        HostPageFixture f(&resolver);
        std::vector<std::pair<std::u16string, std::string>> servers;
        QStringList names, seen;
        for (int i = 0; i < 1000; ++i) {
            names << QStringLiteral("srv%1.ufficio.test").arg(i, 4, 10, QLatin1Char('0'));
            seen << QStringLiteral("10.77.%1.%2").arg(i / 250).arg(i % 250 + 1);
            servers.push_back({names.back().toStdU16String(), seen.back().toStdString()});
        }
        f.browser.addCall(status::Success, servers, 1000);
        f.browser.repeatLast = true;

        const int threadsBefore = threadCount();
        for (int click = 0; click < 3; ++click) {
            {
                // The lookups' threads start from here, inside the namespace.
                NetnsLab::Inside inside(lab, QStringLiteral("client"));
                QVERIFY(inside.ok());
                QTest::mouseClick(f.CmdNetDetect, Qt::LeftButton);
            }
            QCOMPARE(f.column(hosts::host_column::HostName), names);
            QCOMPARE(f.column(hosts::host_column::Address), seen);
            QVERIFY2(
                threadCount() <= threadsBefore + LinuxNameResolver::DefaultMaxThreads,
                qPrintable(
                    QStringLiteral("%1 threads, %2 before").arg(threadCount()).arg(threadsBefore)));
        }
        QVERIFY(f.toolkit.messages.empty());
        QCOMPARE(f.sockets.openSessions, 0);

        // The lookups did reach the silent server: nothing else answered them.
        QTRY_VERIFY(!dns->askedNames().isEmpty());
        for (const QString& asked : dns->askedNames())
            QVERIFY2(names.contains(asked.section(QLatin1Char('.'), 0, 2)), qPrintable(asked));
    }

private:
    QString whyNot_;
};

int main(int argc, char* argv[]) {
    const QString whyNot = useSilentDnsConfiguration();
    QApplication application(argc, argv);
    HostDetectionSilentDnsTest test(whyNot);
    return QTest::qExec(&test, argc, argv);
}

#include "host_detection_silent_dns_test.moc"
