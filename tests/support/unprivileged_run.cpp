#include "unprivileged_run.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

namespace testing_support {

namespace {

const char* const InsideVariable = "TARSINO_UNPRIVILEGED_RUN";
const char* const HelperName = "tarsino-icmp";

QString tool(const QString& name) {
    return QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
}

QString builtHelper() {
    return QCoreApplication::applicationDirPath() + '/' + HelperName;
}

}  // namespace

QString UnprivilegedRun::skipReason() {
    if (::geteuid() != 0)
        return QStringLiteral("needs root to hand a capability to the ICMP helper");
    if (tool("setcap").isEmpty()) return QStringLiteral("needs setcap (libcap2-bin)");
    if (tool("setpriv").isEmpty()) return QStringLiteral("needs setpriv (util-linux)");
    if (!QFileInfo(builtHelper()).isExecutable())
        return QStringLiteral("needs the ICMP helper beside the test program");
    return {};
}

bool UnprivilegedRun::isInside() {
    return qEnvironmentVariableIsSet(InsideVariable);
}

bool UnprivilegedRun::run(const NetnsLab& lab, const QString& shortName,
                          const QString& testFunction, QString* output) {
    QTemporaryDir folder;
    const QString program =
        folder.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    const QString helper = folder.filePath(HelperName);
    const auto everyoneMayRun = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                QFile::ExeOther;
    if (!folder.isValid() || !QFile::setPermissions(folder.path(), everyoneMayRun) ||
        !QFile::copy(QCoreApplication::applicationFilePath(), program) ||
        !QFile::setPermissions(program, everyoneMayRun) || !QFile::copy(builtHelper(), helper) ||
        !QFile::setPermissions(helper, everyoneMayRun)) {
        *output = QStringLiteral("could not lay out %1").arg(folder.path());
        return false;
    }
    QProcess grant;
    grant.start(tool("setcap"), {"cap_net_raw+ep", helper});
    if (!grant.waitForFinished(30000) || grant.exitCode() != 0) {
        *output = QStringLiteral("setcap failed: ") +
                  QString::fromLocal8Bit(grant.readAllStandardError());
        return false;
    }

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(InsideVariable, "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_RUNTIME_DIR", folder.path());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(tool("ip"),
                {"netns", "exec", lab.name(shortName), tool("setpriv"), "--reuid=nobody",
                 "--regid=nogroup", "--clear-groups", program, testFunction});
    const bool finished = child.waitForFinished(240000);
    if (!finished) child.kill();
    child.waitForFinished();
    *output = QString::fromLocal8Bit(child.readAll());
    // A function that skipped, or was not found, passes nothing.
    const QRegularExpression passed(QStringLiteral("^PASS   : \\w+::%1\\(\\)$").arg(testFunction),
                                    QRegularExpression::MultilineOption);
    return finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
           passed.match(*output).hasMatch();
}

bool UnprivilegedRun::runWithDatagramSocketsRefused(NetnsLab& lab, const QString& shortName,
                                                    const QString& testFunction, QString* output) {
    const QString setRange = QStringLiteral("sysctl -qw net.ipv4.ping_group_range='%1'");
    if (!lab.run(shortName, setRange.arg(QStringLiteral("1 0")))) {
        *output = QStringLiteral("could not refuse datagram sockets");
        return false;
    }
    const bool passed = run(lab, shortName, testFunction, output);
    return lab.run(shortName, setRange.arg(QStringLiteral("0 2147483647"))) && passed;
}

}  // namespace testing_support
