#include "platform/discovery/primary_group.h"

#include <QFile>
#include <QHostInfo>
#include <QStringList>

#include "platform/discovery/computer_domain.h"

namespace platform::discovery {

namespace {

// Samba ignores case and blanks in parameter names ("Work Group").
QString parameterKey(QString name) {
    name.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    return name.toLower();
}

// Samba joins a line ending in a backslash with the next one.
QStringList logicalLines(const QString& text) {
    QStringList lines;
    QString pending;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        QString line = raw;
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.endsWith(QLatin1Char('\\'))) {
            line.chop(1);
            pending += line;
            continue;
        }
        lines << pending + line;
        pending.clear();
    }
    if (!pending.isEmpty()) lines << pending;
    return lines;
}

}  // namespace

bool PrimaryGroup::contains(const QString& group) const {
    if (group.isEmpty()) return false;
    return group.compare(workgroup, Qt::CaseInsensitive) == 0 ||
           (!dnsDomain.isEmpty() && group.compare(dnsDomain, Qt::CaseInsensitive) == 0);
}

PrimaryGroup primaryGroupFromSmbConf(const QString& smbConf, const QString& fallbackDnsDomain) {
    PrimaryGroup group{QStringLiteral("WORKGROUP"), fallbackDnsDomain};
    bool inGlobal = false;
    for (const QString& raw : logicalLines(smbConf)) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype end = line.indexOf(QLatin1Char(']'));
            inGlobal = end > 0 && parameterKey(line.mid(1, end - 1)) == QLatin1String("global");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGlobal || equals <= 0) continue;
        const QString key = parameterKey(line.left(equals));
        const QString value = line.mid(equals + 1).trimmed();
        if (value.isEmpty()) continue;
        if (key == QLatin1String("workgroup"))
            group.workgroup = value;
        else if (key == QLatin1String("realm"))
            group.dnsDomain = value;
    }
    return group;
}

PrimaryGroup readPrimaryGroup(const QString& smbConfPath) {
    QFile file(smbConfPath);
    QString text;
    // A configuration far larger than any real one is not read at all.
    if (file.open(QIODevice::ReadOnly) && file.size() < 1024 * 1024)
        text = QString::fromUtf8(file.readAll());
    // A domain joined without Samba leaves its realm to Kerberos alone; its
    // computers announce that domain by WS-Discovery.
    PrimaryGroup group = primaryGroupFromSmbConf(text, QString());
    if (group.dnsDomain.isEmpty())
        group.dnsDomain = computerDomain(QString(), kerberosDefaultRealm());
    if (group.dnsDomain.isEmpty()) group.dnsDomain = QHostInfo::localDomainName();
    return group;
}

}  // namespace platform::discovery
