#include "platform/discovery/computer_domain.h"

#include <krb5/krb5.h>

#include <QFile>

#include "platform/discovery/primary_group.h"

namespace platform::discovery {

namespace {

bool isLabel(QStringView label) {
    if (label.isEmpty() || label.size() > 63) return false;
    if (label.front() == u'-' || label.back() == u'-') return false;
    for (const QChar c : label)
        if (!(c.isDigit() && c.unicode() < 0x80) && !(c.unicode() < 0x80 && c.isLetter()) &&
            c != u'-')
            return false;
    return true;
}

QString readSmallFile(const QString& path) {
    QFile file(path);
    // A configuration far larger than any real one is not read at all.
    if (!file.open(QIODevice::ReadOnly) || file.size() >= 1024 * 1024) return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace

bool isDomainName(QStringView name) {
    if (name.size() > 253) return false;
    int labels = 0;
    for (const QStringView label : name.tokenize(u'.')) {
        if (!isLabel(label)) return false;
        ++labels;
    }
    return labels >= 2;
}

QString computerDomain(const QString& smbConf, const QString& kerberosRealm) {
    const QString realm = primaryGroupFromSmbConf(smbConf, QString()).dnsDomain;
    const QString domain = realm.isEmpty() ? kerberosRealm : realm;
    return isDomainName(domain) ? domain.toLower() : QString();
}

QString kerberosDefaultRealm() {
    krb5_context context = nullptr;
    if (krb5_init_context(&context) != 0) return {};
    QString realm;
    char* name = nullptr;
    if (krb5_get_default_realm(context, &name) == 0 && name) {
        realm = QString::fromUtf8(name, qsizetype(qstrnlen(name, 256)));
        krb5_free_default_realm(context, name);
    }
    krb5_free_context(context);
    return realm;
}

QString readComputerDomain(const QString& smbConfPath) {
    const QString smbConf = readSmallFile(smbConfPath);
    const QString domain = computerDomain(smbConf, QString());
    return domain.isEmpty() ? computerDomain(QString(), kerberosDefaultRealm()) : domain;
}

}  // namespace platform::discovery
