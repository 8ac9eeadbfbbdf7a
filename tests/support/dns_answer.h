#pragma once
// DNS answer messages as a DNS server sends them, built by hand for tests
// and fuzz seeds of the code that reads them.

#include <QByteArray>
#include <QList>

#include <cstdint>

struct SrvAnswer {
    std::uint16_t priority = 0;
    std::uint16_t weight = 0;
    std::uint16_t port = 389;
    QByteArray target;        // "dc1.corp.test", or "." for no service
    std::uint16_t type = 33;  // SRV; anything else for a record to skip
};

inline QByteArray dnsName(const QByteArray& name) {
    QByteArray encoded;
    for (const QByteArray& label : name.split('.')) {
        if (label.isEmpty()) continue;
        encoded += char(label.size());
        encoded += label;
    }
    return encoded + '\0';
}

inline void appendUint16(QByteArray& bytes, std::uint16_t value) {
    bytes += char(value >> 8);
    bytes += char(value & 0xff);
}

// A response without question section, one answer record per entry.
inline QByteArray srvAnswerMessage(const QList<SrvAnswer>& answers) {
    QByteArray message;
    appendUint16(message, 0x1234);  // id
    appendUint16(message, 0x8180);  // a response, recursion available
    appendUint16(message, 0);
    appendUint16(message, std::uint16_t(answers.size()));
    appendUint16(message, 0);
    appendUint16(message, 0);
    for (const SrvAnswer& answer : answers) {
        QByteArray rdata;
        appendUint16(rdata, answer.priority);
        appendUint16(rdata, answer.weight);
        appendUint16(rdata, answer.port);
        rdata += dnsName(answer.target);
        message += dnsName("_ldap._tcp.dc._msdcs.corp.test");
        appendUint16(message, answer.type);
        appendUint16(message, 1);                  // IN
        message += QByteArray("\0\0\x02\x58", 4);  // ttl
        appendUint16(message, std::uint16_t(rdata.size()));
        message += rdata;
    }
    return message;
}
