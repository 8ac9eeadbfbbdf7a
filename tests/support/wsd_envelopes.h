#pragma once
// WS-Discovery messages as peers write them, for tests to answer with.

#include <QString>
#include <QUuid>

namespace testing_support {

// A SOAP envelope from a peer: `action` answering the message `relatesTo`.
inline QByteArray wsdEnvelope(const QString& action, const QString& relatesTo,
                              const QString& body) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
               "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\""
               " xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
               " xmlns:wsd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
               " xmlns:wsx=\"http://schemas.xmlsoap.org/ws/2004/09/mex\""
               " xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\""
               " xmlns:pub=\"http://schemas.microsoft.com/windows/pub/2005/07\">"
               "<soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/"
               "anonymous</wsa:To><wsa:Action>%1</wsa:Action>"
               "<wsa:MessageID>urn:uuid:%2</wsa:MessageID><wsa:RelatesTo>%3</wsa:RelatesTo>"
               "</soap:Header><soap:Body>%4</soap:Body></soap:Envelope>")
        .arg(action, QUuid::createUuid().toString(QUuid::WithoutBraces), relatesTo, body)
        .toUtf8();
}

// One ProbeMatch or ResolveMatch (`kind`) item; `xaddrs` blank-separated, none when empty.
inline QString wsdMatchItem(const QString& kind, const QString& endpoint,
                            const QString& xaddrs = {}) {
    return QStringLiteral(
               "<wsd:%1><wsa:EndpointReference><wsa:Address>%2</wsa:Address>"
               "</wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types>%3"
               "<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:%1>")
        .arg(kind, endpoint,
             xaddrs.isEmpty() ? QString()
                              : QStringLiteral("<wsd:XAddrs>%1</wsd:XAddrs>").arg(xaddrs));
}

// ProbeMatches or ResolveMatches (`action`) holding `items`.
inline QByteArray wsdMatches(const QString& action, const QString& relatesTo,
                             const QString& items) {
    return wsdEnvelope("http://schemas.xmlsoap.org/ws/2005/04/discovery/" + action, relatesTo,
                       QStringLiteral("<wsd:%1>%2</wsd:%1>").arg(action, items));
}

// The answer to a metadata Get, as Debian's wsdd writes it.
inline QByteArray wsdMetadata(const QString& computer) {
    return wsdEnvelope(
        "http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse", "x",
        QStringLiteral(
            "<wsx:Metadata><wsx:MetadataSection "
            "Dialect=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/ThisDevice\">"
            "<wsdp:ThisDevice><wsdp:FriendlyName>WSD Device</wsdp:FriendlyName></wsdp:ThisDevice>"
            "</wsx:MetadataSection><wsx:MetadataSection "
            "Dialect=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/Relationship\">"
            "<wsdp:Relationship Type=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/host\">"
            "<wsdp:Host><wsdp:Types>pub:Computer</wsdp:Types><pub:Computer>%1</pub:Computer>"
            "</wsdp:Host></wsdp:Relationship></wsx:MetadataSection></wsx:Metadata>")
            .arg(computer));
}

}  // namespace testing_support
