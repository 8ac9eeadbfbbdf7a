#pragma once
// The computer's primary workgroup or domain, as Samba's configuration names
// it: the group whose computers the network browser lists.

#include <QString>

namespace platform::discovery {

struct PrimaryGroup {
    QString workgroup;  // NetBIOS workgroup or domain name; "WORKGROUP" by default
    QString dnsDomain;  // DNS domain (Samba's realm, else the host's own), may be empty

    // Whether a computer reporting membership of `group` belongs to us.
    bool contains(const QString& group) const;
};

// Reads `workgroup` and `realm` from the [global] section of smb.conf text.
// `fallbackDnsDomain` stands when no realm is set.
PrimaryGroup primaryGroupFromSmbConf(const QString& smbConf, const QString& fallbackDnsDomain);

// The group of this computer: /etc/samba/smb.conf when present; the DNS
// domain is its realm, else the Kerberos default realm, else the host's own.
PrimaryGroup readPrimaryGroup(const QString& smbConfPath = QStringLiteral("/etc/samba/smb.conf"));

}  // namespace platform::discovery
