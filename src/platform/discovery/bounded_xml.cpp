#include "platform/discovery/bounded_xml.h"

#include <QXmlStreamReader>

namespace platform::discovery {

const XmlElement* XmlElement::child(QStringView ns, QStringView localName) const {
    for (const XmlElement& element : children)
        if (element.namespaceUri == ns && element.name == localName) return &element;
    return nullptr;
}

const XmlElement* XmlElement::find(QStringView ns, QStringView localName) const {
    if (const XmlElement* direct = child(ns, localName)) return direct;
    for (const XmlElement& element : children)
        if (const XmlElement* deeper = element.find(ns, localName)) return deeper;
    return nullptr;
}

std::optional<XmlElement> parseBoundedXml(const QByteArray& document, const XmlLimits& limits) {
    if (document.size() > limits.maxBytes) return std::nullopt;
    QXmlStreamReader reader(document);
    XmlElement root;
    QList<XmlElement*> open;  // path from the root to the element being read
    int elements = 0;
    bool seenRoot = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartElement: {
                if (++elements > limits.maxElements || open.size() >= limits.maxDepth)
                    return std::nullopt;
                XmlElement* element;
                if (open.isEmpty()) {
                    if (seenRoot) return std::nullopt;
                    seenRoot = true;
                    element = &root;
                } else {
                    open.last()->children.append(XmlElement{});
                    element = &open.last()->children.last();
                }
                element->namespaceUri = reader.namespaceUri().toString();
                element->name = reader.name().toString();
                open.append(element);
                break;
            }
            case QXmlStreamReader::EndElement:
                if (open.isEmpty()) return std::nullopt;
                open.last()->text = open.last()->text.trimmed();
                open.removeLast();
                break;
            case QXmlStreamReader::Characters:
                if (!open.isEmpty()) {
                    XmlElement* element = open.last();
                    if (element->text.size() + reader.text().size() > limits.maxTextLength)
                        return std::nullopt;
                    element->text += reader.text();
                }
                break;
            // No document type, and so no entity of our peers' making, is accepted.
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                return std::nullopt;
            default:
                break;
        }
    }
    if (reader.hasError() || !seenRoot || !open.isEmpty()) return std::nullopt;
    return root;
}

}  // namespace platform::discovery
