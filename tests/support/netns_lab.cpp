#include "netns_lab.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {

bool shell(const QString& command, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output) *output = text;
    if (process.exitCode() != 0)
        qWarning("lab command failed: %s\n%s", qPrintable(command), qPrintable(text));
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace

QString NetnsLab::skipReason() {
    if (::geteuid() != 0) return QStringLiteral("needs root to create network namespaces");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty() &&
        !QFile::exists(QStringLiteral("/usr/sbin/ip")) &&
        !QFile::exists(QStringLiteral("/sbin/ip")))
        return QStringLiteral("needs the ip command (iproute2)");
    const QString probe = QStringLiteral("tzprobe%1").arg(::getpid());
    if (!shell(QStringLiteral("ip netns add %1 && ip netns del %1").arg(probe)))
        return QStringLiteral("cannot create network namespaces here");
    return {};
}

NetnsLab::NetnsLab(const QString& tag)
    : prefix_(QStringLiteral("tz%1%2-").arg(tag.left(6)).arg(::getpid() % 100000)) {}

NetnsLab::~NetnsLab() {
    for (pid_t pid : spawned_) {
        ::kill(-pid, SIGTERM);
        ::kill(pid, SIGTERM);
    }
    for (pid_t pid : spawned_) {
        for (int i = 0; i < 50 && ::waitpid(pid, nullptr, WNOHANG) == 0; ++i) ::usleep(20000);
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, WNOHANG);
    }
    // Deleting a namespace removes its veth ends, and their peers with them.
    for (const QString& ns : namespaces_) {
        shell(QStringLiteral("ip netns pids %1 | xargs -r kill -9; ip netns del %1").arg(ns));
    }
}

QString NetnsLab::name(const QString& shortName) const {
    return prefix_ + shortName;
}

QString NetnsLab::addNamespace(const QString& shortName) {
    const QString ns = name(shortName);
    shell(QStringLiteral("ip netns del %1 2>/dev/null; true").arg(ns));
    if (!shell(QStringLiteral("ip netns add %1 && ip -n %1 link set lo up").arg(ns))) return {};
    namespaces_ << ns;
    return ns;
}

bool NetnsLab::link(const QString& nsA, const QString& ifA, const QString& addressA,
                    const QString& nsB, const QString& ifB, const QString& addressB) {
    const QString a = name(nsA), b = name(nsB);
    // Create the pair from inside the first namespace, so nothing ever appears in ours.
    if (!shell(QStringLiteral("ip -n %1 link add %2 type veth peer name %3 netns %4 && "
                              "ip -n %1 addr add %5 dev %2 && ip -n %4 addr add %6 dev %3 && "
                              "ip -n %1 link set %2 up && ip -n %4 link set %3 up")
                   .arg(a, ifA, ifB, b, addressA, addressB)))
        return false;
    // The carrier comes up a moment after the command returns; code that
    // looks for running interfaces must find both ends ready.
    return shell(QStringLiteral("for i in $(seq 250); do "
                                "ip -n %1 link show dev %2 | grep -q LOWER_UP && "
                                "ip -n %3 link show dev %4 | grep -q LOWER_UP && exit 0; "
                                "sleep 0.02; done; exit 1")
                     .arg(a, ifA, b, ifB));
}

bool NetnsLab::run(const QString& shortName, const QString& command, QString* output) {
    QString quoted = command;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return shell(QStringLiteral("ip netns exec %1 sh -c '%2'").arg(name(shortName), quoted),
                 output);
}

bool NetnsLab::addFilterRule(const QString& shortName, const QString& table, const QString& hook,
                             const QString& rule, const QString& family) {
    const QString chain = family + ' ' + table + ' ' + hook;
    return run(shortName,
               QStringLiteral("nft add table %1 %2 && "
                              "nft add chain %3 \"{ type filter hook %4 priority 0; }\" && "
                              "nft add rule %3 %5")
                   .arg(family, table, chain, hook, rule));
}

bool NetnsLab::removeFilter(const QString& shortName, const QString& table, const QString& family) {
    return run(shortName, QStringLiteral("nft delete table %1 %2 2>/dev/null").arg(family, table));
}

pid_t NetnsLab::spawn(const QString& shortName, const QString& command, const QString& logFile) {
    const QByteArray ns = name(shortName).toLocal8Bit();
    const QByteArray script = command.toLocal8Bit();
    const QByteArray log =
        (logFile.isEmpty() ? QStringLiteral("/dev/null") : logFile).toLocal8Bit();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int out = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        const int in = ::open("/dev/null", O_RDONLY);
        if (in >= 0) ::dup2(in, 0);
        ::execlp("ip", "ip", "netns", "exec", ns.constData(), "sh", "-c", script.constData(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid > 0) spawned_ << pid;
    return pid;
}

NetnsLab::Inside::Inside(const NetnsLab& lab, const QString& shortName) {
    previous_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const QByteArray path = QStringLiteral("/run/netns/%1").arg(lab.name(shortName)).toLocal8Bit();
    const int target = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    ok_ = previous_ >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
    if (target >= 0) ::close(target);
}

NetnsLab::Inside::~Inside() {
    if (previous_ >= 0) {
        if (ok_) ::setns(previous_, CLONE_NEWNET);
        ::close(previous_);
    }
}

}  // namespace testing_support
