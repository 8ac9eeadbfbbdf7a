#pragma once
// A small element tree read from untrusted XML (datagrams and replies from
// other computers). Anything unusual makes the whole document invalid rather
// than half-read: a DTD or entity reference, too many elements, too deep a
// nesting, too long a text, malformed or truncated XML.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace platform::discovery {

struct XmlElement {
    QString namespaceUri;
    QString name;  // local name
    QString text;  // character data directly inside, trimmed
    QList<XmlElement> children;

    // First child with that namespace and local name, or null.
    const XmlElement* child(QStringView namespaceUri, QStringView name) const;
    // First element below (children first, then deeper) with that namespace and name.
    const XmlElement* find(QStringView namespaceUri, QStringView name) const;
};

struct XmlLimits {
    qsizetype maxBytes = 64 * 1024;
    int maxElements = 512;
    int maxDepth = 24;
    qsizetype maxTextLength = 4096;
};

std::optional<XmlElement> parseBoundedXml(const QByteArray& document, const XmlLimits& limits = {});

}  // namespace platform::discovery
