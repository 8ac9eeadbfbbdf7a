#include "platform/discovery/mdns_host_name.h"

#include <avahi-common/domain.h>

#include <cstring>

#include "platform/discovery/listable_name.h"

namespace platform::discovery {

std::optional<QString> mdnsHostName(const char* escapedName) {
    if (!escapedName || std::strlen(escapedName) > AVAHI_DOMAIN_NAME_MAX) return std::nullopt;
    QByteArray plain;
    for (const char* rest = escapedName; *rest;) {
        char label[AVAHI_LABEL_MAX];
        if (!avahi_unescape_label(&rest, label, sizeof label)) return std::nullopt;
        const qsizetype length = qsizetype(std::strlen(label));
        if (length == 0 || std::memchr(label, '.', size_t(length))) return std::nullopt;
        if (!plain.isEmpty()) plain += '.';
        plain.append(label, length);
    }
    const QString name = QString::fromUtf8(plain);
    if (!isListableName(name, MaxMdnsHostNameLength)) return std::nullopt;
    return name;
}

}  // namespace platform::discovery
