#include "platform/discovery/wsd_messages.h"

#include <QUuid>

#include "platform/discovery/bounded_xml.h"
#include "platform/discovery/listable_name.h"

namespace platform::discovery::wsd {

namespace {

const QString Soap = QStringLiteral("http://www.w3.org/2003/05/soap-envelope");
const QString Addressing = QStringLiteral("http://schemas.xmlsoap.org/ws/2004/08/addressing");
const QString Discovery = QStringLiteral("http://schemas.xmlsoap.org/ws/2005/04/discovery");
const QString Publication = QStringLiteral("http://schemas.microsoft.com/windows/pub/2005/07");
const QString DiscoveryTo = QStringLiteral("urn:schemas-xmlsoap-org:ws:2005:04:discovery");
const QString Anonymous =
    QStringLiteral("http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous");

constexpr qsizetype MaxIdentifierLength = 256;
constexpr int MaxMatchesPerMessage = 16;
constexpr int MaxXAddrs = 8;

QByteArray envelope(const QString& to, const QString& action, const QString& messageId,
                    const QString& extraHeader, const QString& body) {
    const QString text = QStringLiteral(
                             "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<soap:Envelope xmlns:soap=\"%1\" xmlns:wsa=\"%2\" xmlns:wsd=\"%3\""
                             " xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\">"
                             "<soap:Header><wsa:To>%4</wsa:To><wsa:Action>%5</wsa:Action>"
                             "<wsa:MessageID>%6</wsa:MessageID>%7</soap:Header>"
                             "<soap:Body>%8</soap:Body></soap:Envelope>")
                             .arg(Soap, Addressing, Discovery, to.toHtmlEscaped(), action,
                                  messageId.toHtmlEscaped(), extraHeader, body);
    return text.toUtf8();
}

bool isUsableIdentifier(const QString& text) {
    if (!isListableName(text, MaxIdentifierLength)) return false;
    for (QChar c : text)
        if (c.isSpace()) return false;
    return true;
}

// Host names and workgroups as Windows allows them: listable, no blanks, none
// of the characters that separate paths or fields.
bool isUsableName(const QString& text, qsizetype maxLength) {
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    if (!isListableName(text, maxLength)) return false;
    for (QChar c : text)
        if (c.isSpace() || forbidden.contains(c)) return false;
    return true;
}

// The words of a list, at most `most` of them, split at every blank the
// checks above know (QChar::isSpace). A regular expression's \s knows only
// ASCII blanks, and does not split text that is not valid UTF-16 at all,
// which a peer's bytes may decode to.
QStringList firstWords(const QString& text, qsizetype most) {
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size() && words.size() < most; ++i) {
        const bool blank = i == text.size() || text[i].isSpace();
        if (blank && start >= 0) {
            words << text.mid(start, i - start);
            start = -1;
        } else if (!blank && start < 0) {
            start = i;
        }
    }
    return words;
}

}  // namespace

QString newMessageId() {
    return QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray buildProbe(const QString& messageId) {
    return envelope(DiscoveryTo, Discovery + QStringLiteral("/Probe"), messageId, {},
                    QStringLiteral("<wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe>"));
}

QByteArray buildResolve(const QString& messageId, const QString& endpoint) {
    return envelope(DiscoveryTo, Discovery + QStringLiteral("/Resolve"), messageId, {},
                    QStringLiteral("<wsd:Resolve><wsa:EndpointReference><wsa:Address>%1"
                                   "</wsa:Address></wsa:EndpointReference></wsd:Resolve>")
                        .arg(endpoint.toHtmlEscaped()));
}

QByteArray buildGet(const QString& messageId, const QString& endpoint) {
    return envelope(
        endpoint, QStringLiteral("http://schemas.xmlsoap.org/ws/2004/09/transfer/Get"), messageId,
        QStringLiteral("<wsa:ReplyTo><wsa:Address>%1</wsa:Address></wsa:ReplyTo>").arg(Anonymous),
        {});
}

QList<Match> parseMatches(const QByteArray& datagram, const QSet<QString>& ourMessageIds) {
    if (datagram.size() > MaxDatagramSize) return {};
    const std::optional<XmlElement> root = parseBoundedXml(datagram);
    if (!root || root->namespaceUri != Soap || root->name != QLatin1String("Envelope")) return {};
    const XmlElement* header = root->child(Soap, u"Header");
    const XmlElement* body = root->child(Soap, u"Body");
    if (!header || !body) return {};
    const XmlElement* relatesTo = header->child(Addressing, u"RelatesTo");
    if (!relatesTo || !ourMessageIds.contains(relatesTo->text)) return {};
    const XmlElement* action = header->child(Addressing, u"Action");
    if (!action) return {};

    QString listName, itemName;
    if (action->text == Discovery + QStringLiteral("/ProbeMatches")) {
        listName = QStringLiteral("ProbeMatches");
        itemName = QStringLiteral("ProbeMatch");
    } else if (action->text == Discovery + QStringLiteral("/ResolveMatches")) {
        listName = QStringLiteral("ResolveMatches");
        itemName = QStringLiteral("ResolveMatch");
    } else {
        return {};
    }
    const XmlElement* list = body->child(Discovery, listName);
    if (!list) return {};

    QList<Match> matches;
    for (const XmlElement& item : list->children) {
        if (item.namespaceUri != Discovery || item.name != itemName) continue;
        if (matches.size() == MaxMatchesPerMessage) break;
        const XmlElement* reference = item.child(Addressing, u"EndpointReference");
        const XmlElement* address = reference ? reference->child(Addressing, u"Address") : nullptr;
        if (!address || !isUsableIdentifier(address->text)) continue;
        Match match{address->text, {}};
        if (const XmlElement* xaddrs = item.child(Discovery, u"XAddrs"))
            match.xaddrs = firstWords(xaddrs->text, MaxXAddrs);
        matches << match;
    }
    return matches;
}

bool isPeerAddress(const QHostAddress& sender) {
    bool isIPv4 = false;
    const quint32 address = sender.toIPv4Address(&isIPv4);
    if (!isIPv4) return false;
    const quint32 firstOctet = address >> 24;
    return firstOctet != 0 && firstOctet != 127 && firstOctet < 224 &&
           (address >> 16) != 0xA9FE;  // 169.254/16
}

std::optional<QUrl> metadataUrl(const QStringList& xaddrs, const QHostAddress& sender) {
    if (!isPeerAddress(sender)) return std::nullopt;
    const QHostAddress peer(sender.toIPv4Address());
    for (const QString& text : xaddrs) {
        QUrl url(text, QUrl::StrictMode);
        if (!url.isValid() || url.scheme() != QLatin1String("http") || !url.userInfo().isEmpty())
            continue;
        // Only a literal IPv4 address: resolving names is not the browser's business.
        QHostAddress host;
        if (!host.setAddress(url.host()) || host.protocol() != QAbstractSocket::IPv4Protocol ||
            host != peer)
            continue;
        // Written as we write addresses, whatever spelling the peer chose.
        url.setHost(peer.toString());
        return url;
    }
    return std::nullopt;
}

std::optional<ComputerMembership> parseComputer(const QString& value) {
    const qsizetype slash = value.indexOf(QLatin1Char('/'));
    if (slash <= 0) return std::nullopt;
    ComputerMembership membership;
    membership.computerName = value.left(slash);
    if (!isUsableName(membership.computerName, 63)) return std::nullopt;
    const QString rest = value.mid(slash + 1);
    if (rest == QLatin1String("NotJoined")) return membership;
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    if (colon <= 0) return std::nullopt;
    const QString kind = rest.left(colon);
    membership.group = rest.mid(colon + 1);
    if (!isUsableName(membership.group, 255)) return std::nullopt;
    if (kind == QLatin1String("Workgroup"))
        membership.kind = ComputerMembership::Kind::Workgroup;
    else if (kind == QLatin1String("Domain"))
        membership.kind = ComputerMembership::Kind::Domain;
    else
        return std::nullopt;
    return membership;
}

std::optional<ComputerMembership> parseMetadata(const QByteArray& response) {
    if (response.size() > MaxMetadataSize) return std::nullopt;
    const std::optional<XmlElement> root =
        parseBoundedXml(response, XmlLimits{MaxMetadataSize, 1024, 24, 4096});
    if (!root || root->namespaceUri != Soap || root->name != QLatin1String("Envelope"))
        return std::nullopt;
    const XmlElement* body = root->child(Soap, u"Body");
    const XmlElement* computer = body ? body->find(Publication, u"Computer") : nullptr;
    if (!computer) return std::nullopt;
    return parseComputer(computer->text);
}

}  // namespace platform::discovery::wsd
