// A Qt generic plugin of an ordinary user's own, as anyone can have Qt load
// into a program through QT_PLUGIN_PATH and QT_QPA_GENERIC_PLUGINS. The
// package check loads it into the installed tarsino run as nobody; it
// reports what it could do there and whether the ping page still answers:
//   raw socket: <opened | refused: error>
//   CapPrm: <hex>   CapEff: <hex>   CapAmb: <hex>
//   ping: <the ping page's status text>
// then ends the program.

#include <QApplication>
#include <QFile>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void report(const QByteArray& line) {
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void probePrivilege() {
    const int raw = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (raw >= 0) {
        report("raw socket: opened");
        ::close(raw);
    } else {
        report(QByteArray("raw socket: refused: ") + std::strerror(errno));
    }
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("CapPrm:") || line.startsWith("CapEff:") || line.startsWith("CapAmb:"))
            report(line.simplified());
}

// Pings loopback on the ping page, as a user would, once the window is up.
void pingLoopback() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* address = window->findChild<QLineEdit*>(QStringLiteral("Text6"));
        auto* ping = window->findChild<QPushButton*>(QStringLiteral("Cmd_ping"));
        auto* status = window->findChild<QLineEdit*>(QStringLiteral("Text5_0"));
        if (!address || !ping || !status) continue;
        address->setText(QStringLiteral("127.0.0.1"));
        ping->click();
        report("ping: " + status->text().toUtf8());
        break;
    }
    QCoreApplication::exit(0);
}

}  // namespace

class CapabilityProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "capability_probe.json")

public:
    QObject* create(const QString&, const QString&) override {
        probePrivilege();
        QTimer::singleShot(0, qApp, &pingLoopback);
        return new QObject;
    }
};

#include "capability_probe_plugin.moc"
