// WS-Discovery messages: what we send is well-formed and asks the right
// thing; what others send is believed only when it answers our own question
// and is sound, however it is crafted.

#include <QtTest>

#include "platform/discovery/bounded_xml.h"
#include "platform/discovery/wsd_messages.h"
#include "wsd_envelopes.h"

using namespace platform::discovery;
using namespace platform::discovery::wsd;
using namespace testing_support;

namespace {

const QString Ours = QStringLiteral("urn:uuid:11111111-2222-3333-4444-555555555555");
const QString Endpoint = QStringLiteral("urn:uuid:3af97836-8529-4027-83be-2e605afb7642");

}  // namespace

class WsdMessagesTest : public QObject {
    Q_OBJECT

private slots:
    void builtMessagesAreWellFormedAndCarryTheirQuestion() {
        const QString id = newMessageId();
        QVERIFY(id.startsWith(QLatin1String("urn:uuid:")));
        QVERIFY(id != newMessageId());

        const std::optional<XmlElement> probe = parseBoundedXml(buildProbe(id));
        QVERIFY(probe);
        const XmlElement* header =
            probe->child(u"http://www.w3.org/2003/05/soap-envelope", u"Header");
        QVERIFY(header);
        QCOMPARE(
            header->child(u"http://schemas.xmlsoap.org/ws/2004/08/addressing", u"MessageID")->text,
            id);
        QCOMPARE(
            header->child(u"http://schemas.xmlsoap.org/ws/2004/08/addressing", u"Action")->text,
            QStringLiteral("http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe"));
        const XmlElement* types =
            probe->find(u"http://schemas.xmlsoap.org/ws/2005/04/discovery", u"Types");
        QVERIFY(types);
        QCOMPARE(types->text, QStringLiteral("wsdp:Device"));
        QVERIFY(buildProbe(id).contains(
            "xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\""));

        const std::optional<XmlElement> resolve = parseBoundedXml(buildResolve(id, Endpoint));
        QVERIFY(resolve);
        QCOMPARE(
            resolve->find(u"http://schemas.xmlsoap.org/ws/2004/08/addressing", u"Address")->text,
            Endpoint);

        const std::optional<XmlElement> get = parseBoundedXml(buildGet(id, Endpoint));
        QVERIFY(get);
        QCOMPARE(get->find(u"http://schemas.xmlsoap.org/ws/2004/08/addressing", u"To")->text,
                 Endpoint);
        QCOMPARE(get->find(u"http://schemas.xmlsoap.org/ws/2004/08/addressing", u"Action")->text,
                 QStringLiteral("http://schemas.xmlsoap.org/ws/2004/09/transfer/Get"));

        // An endpoint text from the network cannot break out of its element.
        const std::optional<XmlElement> escaped =
            parseBoundedXml(buildResolve(id, "a</wsa:Address><x>&"));
        QVERIFY(escaped);
        QCOMPARE(
            escaped->find(u"http://schemas.xmlsoap.org/ws/2004/08/addressing", u"Address")->text,
            QStringLiteral("a</wsa:Address><x>&"));
    }

    void matchesAnsweringUsAreRead() {
        const QList<Match> probe = parseMatches(
            wsdMatches("ProbeMatches", Ours, wsdMatchItem("ProbeMatch", Endpoint)), {Ours});
        QCOMPARE(probe.size(), 1);
        QCOMPARE(probe[0].endpoint, Endpoint);
        QVERIFY(probe[0].xaddrs.isEmpty());

        const QList<Match> resolve = parseMatches(
            wsdMatches(
                "ResolveMatches", Ours,
                wsdMatchItem("ResolveMatch", Endpoint,
                             "  http://10.77.2.1:5357/x \n http://[fe80::1%25veth0]:5357/x ")),
            {Ours});
        QCOMPARE(resolve.size(), 1);
        QCOMPARE(resolve[0].xaddrs,
                 QStringList({QStringLiteral("http://10.77.2.1:5357/x"),
                              QStringLiteral("http://[fe80::1%25veth0]:5357/x")}));

        // Split at every blank, in text that is not valid UTF-16 too (a lone
        // surrogate, here from UTF-7) and at blanks beyond ASCII.
        QByteArray oddlyEncoded = wsdMatches(
            "ResolveMatches", Ours,
            wsdMatchItem("ResolveMatch", Endpoint, "http://10.77.2.1/+3Hg- http://10.77.2.2/"));
        oddlyEncoded.replace("encoding=\"utf-8\"", "encoding=\"utf-7\"");
        const QList<Match> odd = parseMatches(oddlyEncoded, {Ours});
        QCOMPARE(odd.size(), 1);
        QCOMPARE(odd[0].xaddrs.size(), 2);
        QCOMPARE(odd[0].xaddrs[0], QStringLiteral("http://10.77.2.1/") + QChar(0xDC78));
        const QList<Match> wide = parseMatches(
            wsdMatches("ResolveMatches", Ours,
                       wsdMatchItem("ResolveMatch", Endpoint,
                                    QStringLiteral("http://10.77.2.1/\u00A0http://10.77.2.2/"))),
            {Ours});
        QCOMPARE(wide.size(), 1);
        QCOMPARE(wide[0].xaddrs, QStringList({QStringLiteral("http://10.77.2.1/"),
                                              QStringLiteral("http://10.77.2.2/")}));

        const QList<Match> two =
            parseMatches(wsdMatches("ProbeMatches", Ours,
                                    wsdMatchItem("ProbeMatch", Endpoint) +
                                        wsdMatchItem("ProbeMatch", "urn:uuid:other")),
                         {Ours});
        QCOMPARE(two.size(), 2);
    }

    void foreignOrMismatchedAnswersAreIgnored() {
        const QString other = QStringLiteral("urn:uuid:99999999-2222-3333-4444-555555555555");
        // Someone else's probe, or none at all.
        QVERIFY(parseMatches(
                    wsdMatches("ProbeMatches", other, wsdMatchItem("ProbeMatch", Endpoint)), {Ours})
                    .isEmpty());
        QVERIFY(
            parseMatches(wsdMatches("ProbeMatches", Ours, wsdMatchItem("ProbeMatch", Endpoint)), {})
                .isEmpty());
        QVERIFY(parseMatches(wsdMatches("ProbeMatches", "", wsdMatchItem("ProbeMatch", Endpoint)),
                             {Ours})
                    .isEmpty());
        // Our own Probe and Hello/Bye announcements are not answers.
        QVERIFY(parseMatches(buildProbe(Ours), {Ours}).isEmpty());
        QVERIFY(parseMatches(wsdMatches("Hello", Ours, wsdMatchItem("Hello", Endpoint)), {Ours})
                    .isEmpty());
        // An action that does not fit its body.
        QVERIFY(
            parseMatches(wsdMatches("ProbeMatches", Ours, wsdMatchItem("ResolveMatch", Endpoint)),
                         {Ours})
                .isEmpty());
        // A match without a usable endpoint.
        QVERIFY(
            parseMatches(wsdMatches("ProbeMatches", Ours, wsdMatchItem("ProbeMatch", "")), {Ours})
                .isEmpty());
        QVERIFY(parseMatches(
                    wsdMatches("ProbeMatches", Ours, wsdMatchItem("ProbeMatch", "urn:uuid:a b")),
                    {Ours})
                    .isEmpty());
        QVERIFY(parseMatches(
                    wsdMatches("ProbeMatches", Ours, wsdMatchItem("ProbeMatch", QString(300, 'x'))),
                    {Ours})
                    .isEmpty());
        // Right names in the wrong namespace.
        QByteArray wrongNamespace =
            wsdMatches("ProbeMatches", Ours, wsdMatchItem("ProbeMatch", Endpoint));
        wrongNamespace.replace("http://schemas.xmlsoap.org/ws/2004/08/addressing", "urn:other");
        QVERIFY(parseMatches(wrongNamespace, {Ours}).isEmpty());
    }

    void truncatedOrMalformedDatagramsAreIgnored() {
        const QByteArray whole = wsdMatches(
            "ProbeMatches", Ours, wsdMatchItem("ProbeMatch", Endpoint, "http://10.0.0.1:5357/x"));
        QCOMPARE(parseMatches(whole, {Ours}).size(), 1);
        for (qsizetype length = 0; length < whole.size(); ++length)
            QVERIFY2(parseMatches(whole.left(length), {Ours}).isEmpty(),
                     qPrintable(QString::number(length)));
        QVERIFY(parseMatches(QByteArray("\0\1\2garbage", 10), {Ours}).isEmpty());
        // Two documents in one datagram.
        QVERIFY(parseMatches(whole + whole, {Ours}).isEmpty());
    }

    void hostileDatagramsAreRefused() {
        const QByteArray valid =
            wsdMatches("ProbeMatches", Ours, wsdMatchItem("ProbeMatch", Endpoint));
        // Entities of the sender's making: exponential expansion, outside files.
        QByteArray laughs =
            "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
            "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
            "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]>";
        QByteArray withLaughs = valid;
        withLaughs.replace("<?xml version=\"1.0\" encoding=\"utf-8\"?>", laughs);
        withLaughs.replace(Endpoint.toUtf8(), "&lol3;");
        QVERIFY(parseMatches(withLaughs, {Ours}).isEmpty());
        QByteArray external = valid;
        external.replace(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
            "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>");
        external.replace(Endpoint.toUtf8(), "&x;");
        QVERIFY(parseMatches(external, {Ours}).isEmpty());
        // Sizes beyond any real message.
        QVERIFY(parseMatches(valid + QByteArray(MaxDatagramSize, ' '), {Ours}).isEmpty());
        QByteArray deep = valid;
        deep.replace("<wsd:Types>", QByteArray("<wsd:Types>") + QByteArray("<a>").repeated(100) +
                                        QByteArray("</a>").repeated(100));
        QVERIFY(parseMatches(deep, {Ours}).isEmpty());
        QByteArray many = valid;
        many.replace("<wsd:Types>", QByteArray("<wsd:Types>") + QByteArray("<a/>").repeated(2000));
        QVERIFY(parseMatches(many, {Ours}).isEmpty());
        QByteArray longText = valid;
        longText.replace("wsdp:Device", QByteArray(20000, 'x'));
        QVERIFY(parseMatches(longText, {Ours}).isEmpty());
        // However many matches a message claims, only a few are taken.
        QCOMPARE(parseMatches(wsdMatches("ProbeMatches", Ours,
                                         wsdMatchItem("ProbeMatch", Endpoint).repeated(40)),
                              {Ours})
                     .size(),
                 16);
    }

    // A peer names the address to fetch its metadata from; it must be its own,
    // or anyone on the LAN could send us to our own loopback or elsewhere.
    void metadataComesOnlyFromTheSendersOwnAddress_data() {
        QTest::addColumn<QStringList>("xaddrs");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("expected");  // empty: nothing is fetched
        const QString peer = QStringLiteral("10.0.0.2");
        QTest::newRow("the sender's")
            << QStringList{"http://10.0.0.2:5357/b"} << peer << "http://10.0.0.2:5357/b";
        QTest::newRow("the sender's among others")
            << QStringList{"http://10.0.0.9:5357/a", "http://[fe80::1]:5357/a",
                           "http://10.0.0.2:5357/b"}
            << peer << "http://10.0.0.2:5357/b";
        QTest::newRow("another host's only") << QStringList{"http://10.0.0.9:5357/a"} << peer << "";
        QTest::newRow("the client's loopback")
            << QStringList{"http://127.0.0.1:8631/a", "http://localhost:8631/a"} << peer << "";
        QTest::newRow("another subnet") << QStringList{"http://192.168.7.1:5357/a"} << peer << "";
        QTest::newRow("the sender's, spelt otherwise")
            << QStringList{"http://10.0.0.02:5357/a"} << peer << "http://10.0.0.2:5357/a";
        QTest::newRow("a name, which would need resolving")
            << QStringList{"http://pc-anna.local:5357/a"} << peer << "";
        QTest::newRow("other schemes")
            << QStringList{"https://10.0.0.2:5358/a", "file:///etc/passwd"} << peer << "";
        QTest::newRow("credentials") << QStringList{"http://user:pw@10.0.0.2:5357/a"} << peer << "";
        QTest::newRow("no address") << QStringList{"not a url", ""} << peer << "";
        QTest::newRow("none offered") << QStringList{} << peer << "";
        // Senders that are no LAN peer, even when the peer names them itself.
        for (const char* sender :
             {"127.0.0.1", "127.8.9.10", "169.254.3.4", "239.255.255.250", "224.0.0.1",
              "255.255.255.255", "240.0.0.1", "0.0.0.0", "0.1.2.3", "::1", "fe80::1"}) {
            QTest::newRow(sender) << QStringList{QStringLiteral("http://%1:5357/a").arg(sender)}
                                  << QString::fromLatin1(sender) << "";
        }
        QTest::newRow("an IPv4-mapped sender")
            << QStringList{"http://10.0.0.2:5357/b"} << "::ffff:10.0.0.2"
            << "http://10.0.0.2:5357/b";
    }

    void metadataComesOnlyFromTheSendersOwnAddress() {
        QFETCH(QStringList, xaddrs);
        QFETCH(QString, sender);
        QFETCH(QString, expected);
        const std::optional<QUrl> url = metadataUrl(xaddrs, QHostAddress(sender));
        QCOMPARE(url ? url->toString() : QString(), expected);
    }

    void peerAddressesAreThoseALanPeerCanAnswerFrom() {
        for (const char* address :
             {"10.0.0.2", "192.168.1.20", "172.16.0.1", "1.2.3.4", "223.255.255.254"})
            QVERIFY2(isPeerAddress(QHostAddress(QString::fromLatin1(address))), address);
        for (const char* address :
             {"127.0.0.1", "169.254.0.1", "224.0.0.251", "255.255.255.255", "0.0.0.0", "::1"})
            QVERIFY2(!isPeerAddress(QHostAddress(QString::fromLatin1(address))), address);
        QVERIFY(!isPeerAddress(QHostAddress()));
    }

    void computerValuesGiveNameAndMembership() {
        std::optional<ComputerMembership> value = parseComputer("PC-ANNA/Workgroup:UFFICIO");
        QVERIFY(value);
        QCOMPARE(value->computerName, QStringLiteral("PC-ANNA"));
        QCOMPARE(value->kind, ComputerMembership::Kind::Workgroup);
        QCOMPARE(value->group, QStringLiteral("UFFICIO"));

        value = parseComputer("SRV01/Domain:corp.example.com");
        QVERIFY(value);
        QCOMPARE(value->computerName, QStringLiteral("SRV01"));
        QCOMPARE(value->kind, ComputerMembership::Kind::Domain);
        QCOMPARE(value->group, QStringLiteral("corp.example.com"));

        value = parseComputer("LAPTOP/NotJoined");
        QVERIFY(value);
        QCOMPARE(value->computerName, QStringLiteral("LAPTOP"));
        QCOMPARE(value->kind, ComputerMembership::Kind::NotJoined);
        QVERIFY(value->group.isEmpty());

        for (const char* bad :
             {"", "PC", "/Workgroup:WG", "PC/", "PC/Workgroup:", "PC/Workgroup", "PC/Realm:WG",
              "PC/workgroup:WG", "P C/Workgroup:WG", "PC\x01/Workgroup:WG", "PC/Workgroup:W\nG",
              "PC/Workgroup:a/b", "PC/NotJoinedX"})
            QVERIFY2(!parseComputer(QString::fromLatin1(bad)), bad);
        QVERIFY(!parseComputer(QString(64, 'N') + "/Workgroup:WG"));
    }

    void metadataReplyGivesTheComputer() {
        const std::optional<ComputerMembership> value =
            parseMetadata(wsdMetadata("WSPC01/Workgroup:TARSINOLAB"));
        QVERIFY(value);
        QCOMPARE(value->computerName, QStringLiteral("WSPC01"));
        QCOMPARE(value->group, QStringLiteral("TARSINOLAB"));

        QVERIFY(!parseMetadata(wsdMetadata("broken")));
        const QByteArray whole = wsdMetadata("WSPC01/Workgroup:TARSINOLAB");
        QVERIFY(!parseMetadata(whole.left(whole.size() - 20)));
        QByteArray noComputer = whole;
        noComputer.replace("pub:Computer>", "pub:Printer>");
        QVERIFY(!parseMetadata(noComputer));
        QVERIFY(!parseMetadata(whole + QByteArray(MaxMetadataSize, ' ')));
        QVERIFY(!parseMetadata(QByteArray("<html><body>It works!</body></html>")));
    }
};

QTEST_GUILESS_MAIN(WsdMessagesTest)
#include "wsd_messages_test.moc"
