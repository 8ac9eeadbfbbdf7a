// The namespace lab the end-to-end tests stand on: links carry traffic, a
// thread can work inside a namespace, and nothing is left behind.

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cannot_run.h"
#include "netns_lab.h"

using testing_support::NetnsLab;

class NetnsLabTest : public QObject {
    Q_OBJECT

private slots:
    void linkedNamespacesReachEachOtherAndVanishAfterwards() {
        const QString why = NetnsLab::skipReason();
        if (!why.isEmpty()) TARSINO_CANNOT_RUN(why);
        QString names;
        {
            NetnsLab lab(QStringLiteral("lab"));
            QVERIFY(!lab.addNamespace("a").isEmpty());
            QVERIFY(!lab.addNamespace("b").isEmpty());
            QVERIFY(lab.link("a", "veth0", "10.200.0.1/24", "b", "veth0", "10.200.0.2/24"));
            QVERIFY(lab.run("a", "ping -c 1 -W 2 10.200.0.2 >/dev/null"));
            {
                NetnsLab::Inside inside(lab, "b");
                QVERIFY(inside.ok());
                const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
                sockaddr_in address{};
                address.sin_family = AF_INET;
                address.sin_addr.s_addr = ::inet_addr("10.200.0.2");
                QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
                ::close(fd);
            }
            names = lab.name("a") + " " + lab.name("b");
        }
        QString listing;
        QProcess ip;
        ip.start("ip", {"netns", "list"});
        QVERIFY(ip.waitForFinished());
        listing = QString::fromLocal8Bit(ip.readAll());
        for (const QString& ns : names.split(' ')) QVERIFY2(!listing.contains(ns), qPrintable(ns));
    }
};

QTEST_GUILESS_MAIN(NetnsLabTest)
#include "netns_lab_test.moc"
