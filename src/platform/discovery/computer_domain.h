#pragma once
// The Active Directory domain this computer belongs to, as a join leaves it
// behind: realmd/sssd and winbind both write either Samba's `realm` or the
// Kerberos default realm.

#include <QString>
#include <QStringView>

namespace platform::discovery {

// A DNS domain name we are willing to ask DNS about: at most 253 characters,
// labels of 1 to 63 letters, digits and hyphens, no hyphen at a label's ends,
// at least two labels.
bool isDomainName(QStringView name);

// The `realm` of smb.conf's [global] section when it has one, else
// `kerberosRealm`; lower case, empty when neither is a usable domain name.
QString computerDomain(const QString& smbConf, const QString& kerberosRealm);

// The default realm libkrb5 reads (/etc/krb5.conf, or KRB5_CONFIG); empty
// when there is none.
QString kerberosDefaultRealm();

// The domain of this computer, from /etc/samba/smb.conf and libkrb5.
QString readComputerDomain(const QString& smbConfPath = QStringLiteral("/etc/samba/smb.conf"));

}  // namespace platform::discovery
