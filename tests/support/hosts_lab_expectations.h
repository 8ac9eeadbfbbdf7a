#pragma once
// What the hosts lab (tests/lab/hosts_lab.sh) says a browser on its client
// side must find, read from $TARSINO_LAB_DIR/expected-hosts.

#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace testing_support {

struct HostsLabExpectations {
    QMap<QString, QString> present;  // name -> address
    QMap<QString, QString> absent;

    // Empty when not running inside the lab.
    static QString labDir() { return qEnvironmentVariable("TARSINO_LAB_DIR"); }
    // Empty inside the lab; otherwise why a test of its client side cannot run.
    static QString skipReason() {
        if (!labDir().isEmpty()) return {};
        return QStringLiteral(
            "runs on the client side of the hosts lab: tests/lab/hosts_lab.sh run <this program>");
    }

    static HostsLabExpectations read(const QString& folder = labDir()) {
        HostsLabExpectations expected;
        QFile file(folder + QStringLiteral("/expected-hosts"));
        if (!file.open(QIODevice::ReadOnly)) return expected;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 3) continue;
            (fields[0] == "present" ? expected.present : expected.absent)
                .insert(QString::fromUtf8(fields[1]), QString::fromUtf8(fields[2]));
        }
        return expected;
    }

    // The present hosts in the browse list's order: by name, ignoring case.
    QStringList presentInListOrder() const {
        QStringList names = present.keys();
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        return names;
    }
};

}  // namespace testing_support
