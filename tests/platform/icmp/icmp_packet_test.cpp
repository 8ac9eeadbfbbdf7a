// The packet module against crafted packets: answers to our request are
// recognised in both framings, everything else (someone else's echo, a
// truncated or malformed packet) is refused without reading past its end.

#include <QtTest>

#include <arpa/inet.h>

#include <vector>

#include "platform/icmp/icmp_packet.h"
#include "platform/icmp/ip_status.h"

namespace icmp = platform::icmp::packet;
using Bytes = std::vector<std::uint8_t>;

namespace {

const std::uint32_t Us = ::inet_addr("10.9.0.1");
const std::uint32_t Target = ::inet_addr("10.9.2.2");
const std::uint32_t Router = ::inet_addr("10.9.0.2");
const Bytes Payload = {'w', 'h', 'o', ' ', 'a', 'r', 'e', ' ', 'y', 'o', 'u'};
constexpr std::uint16_t Identifier = 0x4321;
constexpr std::uint16_t Sequence = 0x0102;

icmp::Probe rawProbe() {
    icmp::Probe probe;
    probe.destination = Target;
    probe.identifier = Identifier;
    probe.sequence = Sequence;
    probe.payload = Payload;
    return probe;
}

icmp::Probe datagramProbe() {
    icmp::Probe probe = rawProbe();
    probe.identifier.reset();
    return probe;
}

void putAddress(Bytes& bytes, std::size_t at, std::uint32_t address) {
    std::memcpy(&bytes[at], &address, 4);
}

// An ICMP message with a correct checksum.
Bytes icmpMessage(std::uint8_t type, std::uint8_t code, std::uint16_t identifier,
                  std::uint16_t sequence, const Bytes& body) {
    Bytes message;
    icmp::buildEchoRequest(message, identifier, sequence, body);
    message[0] = type;
    message[1] = code;
    message[2] = message[3] = 0;
    const std::uint16_t sum = icmp::internetChecksum(message);
    message[2] = std::uint8_t(sum >> 8);
    message[3] = std::uint8_t(sum);
    return message;
}

// An IPv4 header (20 bytes plus `optionWords` words of options) around `body`.
Bytes ipPacket(std::uint32_t from, std::uint32_t to, const Bytes& body, int optionWords = 0,
               std::uint8_t protocol = 1, std::uint8_t ttl = 61) {
    // Sized once: growing the header by the body made GCC 12 at -O3 see a copy
    // past the 20-byte header it had allocated before (-Warray-bounds).
    const std::size_t headerLength = 20 + 4 * std::size_t(optionWords);
    const std::size_t total = headerLength + body.size();
    Bytes packet(total, 0);
    packet[0] = std::uint8_t(0x40 | (headerLength / 4));
    packet[1] = 0x10;
    packet[2] = std::uint8_t(total >> 8);
    packet[3] = std::uint8_t(total);
    packet[8] = ttl;
    packet[9] = protocol;
    putAddress(packet, 12, from);
    putAddress(packet, 16, to);
    std::copy(body.begin(), body.end(), packet.begin() + std::ptrdiff_t(headerLength));
    return packet;
}

Bytes echoRequest(std::uint16_t identifier = Identifier, std::uint16_t sequence = Sequence,
                  const Bytes& payload = Payload) {
    Bytes request;
    icmp::buildEchoRequest(request, identifier, sequence, payload);
    return request;
}

// A report from the router quoting `quotedRequest` as sent from us to `destination`.
Bytes report(std::uint8_t type, std::uint8_t code, const Bytes& quotedRequest,
             std::uint32_t destination = Target, std::uint8_t quotedProtocol = 1) {
    return ipPacket(
        Router, Us,
        icmpMessage(type, code, 0, 0, ipPacket(Us, destination, quotedRequest, 0, quotedProtocol)));
}

Bytes rawReply(std::uint16_t identifier = Identifier, std::uint16_t sequence = Sequence,
               const Bytes& payload = Payload, std::uint32_t from = Target) {
    return ipPacket(from, Us, icmpMessage(0, 0, identifier, sequence, payload));
}

// Parses from an exactly sized heap copy, so that the sanitizers see any read
// past the end; the copy lives as long as the answer that points into it.
struct Parsed {
    std::unique_ptr<std::uint8_t[]> copy;
    std::optional<icmp::Answer> answer;
    explicit operator bool() const { return answer.has_value(); }
    const icmp::Answer* operator->() const { return &*answer; }
};

Parsed parseRaw(const Bytes& packet, const icmp::Probe& probe = rawProbe()) {
    Parsed parsed;
    parsed.copy.reset(new std::uint8_t[packet.size() ? packet.size() : 1]);
    std::copy(packet.begin(), packet.end(), parsed.copy.get());
    parsed.answer = icmp::matchRawPacket(
        std::span<const std::uint8_t>(parsed.copy.get(), packet.size()), probe);
    return parsed;
}

}  // namespace

class IcmpPacketTest : public QObject {
    Q_OBJECT

private slots:
    void checksumFollowsRfc1071() {
        // The worked example of RFC 1071: sum 0xddf2, so the checksum is its complement.
        const Bytes example = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
        QCOMPARE(icmp::internetChecksum(example), std::uint16_t(0x220d));
        // An odd length pads the last byte on the right.
        QCOMPARE(icmp::internetChecksum(Bytes{0x12}), std::uint16_t(~0x1200 & 0xffff));
    }

    void requestCarriesIdentifierSequenceAndPayloadWithValidChecksum() {
        for (const Bytes& payload : {Bytes{}, Bytes{'a'}, Payload}) {
            const Bytes request = echoRequest(Identifier, Sequence, payload);
            QCOMPARE(request.size(), 8 + payload.size());
            QCOMPARE(request[0], std::uint8_t(8));
            QCOMPARE(request[1], std::uint8_t(0));
            QCOMPARE((request[4] << 8) | request[5], int(Identifier));
            QCOMPARE((request[6] << 8) | request[7], int(Sequence));
            QVERIFY(std::equal(payload.begin(), payload.end(), request.begin() + 8));
            QCOMPARE(icmp::internetChecksum(request), std::uint16_t(0));
        }
    }

    void rawEchoReplyToOurRequestIsAnAnswer() {
        const Bytes packet = rawReply();
        const auto answer = parseRaw(packet);
        QVERIFY(answer);
        QCOMPARE(answer->status, platform::icmp::ip_status::Success);
        QCOMPARE(answer->from, Target);
        QCOMPARE(answer->timeToLive, std::uint8_t(61));
        QCOMPARE(answer->typeOfService, std::uint8_t(0x10));
        QVERIFY(std::ranges::equal(answer->echoedData, Payload));

        // IP options before the ICMP message are skipped by the header length.
        const Bytes withOptions =
            ipPacket(Target, Us, icmpMessage(0, 0, Identifier, Sequence, Payload), 3);
        QVERIFY(parseRaw(withOptions));
    }

    void rawEchoReplyForSomeoneElseIsRefused_data() {
        QTest::addColumn<Bytes>("packet");
        Bytes longer = Payload, shorter = Payload, changed = Payload;
        longer.push_back('!');
        shorter.pop_back();
        changed[0] = 'W';
        QTest::newRow("other identifier") << rawReply(Identifier + 1);
        QTest::newRow("other sequence") << rawReply(Identifier, Sequence + 1);
        QTest::newRow("other payload") << rawReply(Identifier, Sequence, changed);
        QTest::newRow("longer payload") << rawReply(Identifier, Sequence, longer);
        QTest::newRow("shorter payload") << rawReply(Identifier, Sequence, shorter);
        QTest::newRow("oversized payload") << rawReply(Identifier, Sequence, Bytes(60000, 'w'));
        QTest::newRow("other source") << rawReply(Identifier, Sequence, Payload, Router);
        QTest::newRow("echo request")
            << ipPacket(Target, Us, icmpMessage(8, 0, Identifier, Sequence, Payload));
        QTest::newRow("redirect quoting ours") << report(5, 1, echoRequest());
        QTest::newRow("not ICMP") << ipPacket(
            Target, Us, icmpMessage(0, 0, Identifier, Sequence, Payload), 0, 17);
        Bytes badSum = rawReply();
        badSum.back() ^= 1;
        QTest::newRow("bad checksum") << badSum;
        Bytes ipv6 = rawReply();
        ipv6[0] = 0x65;
        QTest::newRow("not IPv4") << ipv6;
    }
    void rawEchoReplyForSomeoneElseIsRefused() {
        QFETCH(Bytes, packet);
        QVERIFY(!parseRaw(packet));
    }

    void malformedRawPacketsAreRefused_data() {
        QTest::addColumn<Bytes>("packet");
        Bytes shortHeader = rawReply();
        shortHeader[0] = 0x44;  // IHL 4: less than the fixed header
        QTest::newRow("IHL below 5") << shortHeader;
        Bytes zeroHeader = rawReply();
        zeroHeader[0] = 0x40;
        QTest::newRow("IHL 0") << zeroHeader;
        Bytes beyond = rawReply();
        beyond.resize(40);
        beyond[0] = 0x4f;  // 60-byte header in a 40-byte packet
        QTest::newRow("IHL beyond the buffer") << beyond;
        Bytes longTotal = rawReply();
        longTotal[3] += 1;
        QTest::newRow("total length beyond the buffer") << longTotal;
        Bytes shortTotal = rawReply();
        shortTotal[2] = 0;
        shortTotal[3] = 27;
        QTest::newRow("total length without an ICMP header") << shortTotal;
        QTest::newRow("empty") << Bytes{};
    }
    void malformedRawPacketsAreRefused() {
        QFETCH(Bytes, packet);
        QVERIFY(!parseRaw(packet));
    }

    void everyTruncationOfAValidPacketIsRefused() {
        const Bytes packets[] = {rawReply(), report(11, 0, echoRequest())};
        for (const Bytes& packet : packets) {
            QVERIFY(parseRaw(packet));
            for (std::size_t size = 0; size < packet.size(); ++size)
                QVERIFY2(!parseRaw(Bytes(packet.begin(), packet.begin() + std::ptrdiff_t(size))),
                         qPrintable(QString::number(size)));
        }
    }

    void reportStatusForEveryTypeAndCode_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("status");
        const int unreachable[16] = {11002, 11003, 11004, 11005, 11009, 11012, 11002, 11003,
                                     11003, 11002, 11003, 11002, 11003, 11003, 11003, 11003};
        for (int code = 0; code < 16; ++code)
            QTest::addRow("unreachable %d", code) << 3 << code << unreachable[code];
        QTest::newRow("unreachable unknown code") << 3 << 99 << 11003;
        QTest::newRow("ttl in transit") << 11 << 0 << 11013;
        QTest::newRow("ttl in reassembly") << 11 << 1 << 11014;
        QTest::newRow("parameter problem") << 12 << 0 << 11015;
        QTest::newRow("parameter problem, option missing") << 12 << 1 << 11015;
        QTest::newRow("source quench") << 4 << 0 << 11016;
    }
    void reportStatusForEveryTypeAndCode() {
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(int, status);
        QCOMPARE(icmp::statusForReport(std::uint8_t(type), std::uint8_t(code)),
                 std::optional<std::int32_t>(status));
        const auto raw = parseRaw(report(std::uint8_t(type), std::uint8_t(code), echoRequest()));
        QVERIFY(raw);
        QCOMPARE(raw->status, status);
        QCOMPARE(raw->from, Router);
        QVERIFY(raw->echoedData.empty());
        const Bytes quoted = echoRequest(0x9999);  // the kernel's identifier, not checked
        const auto datagram = icmp::matchDatagramReport(std::uint8_t(type), std::uint8_t(code),
                                                        Router, Target, quoted, datagramProbe());
        QVERIFY(datagram);
        QCOMPARE(datagram->status, status);
        QCOMPARE(datagram->from, Router);
    }

    void messagesThatEndNoEchoAreNotReports() {
        for (int type : {0, 5, 8, 9, 10, 13, 14, 255})
            QVERIFY(!icmp::statusForReport(std::uint8_t(type), 0));
    }

    void reportQuotingSomeoneElsesEchoIsRefused_data() {
        QTest::addColumn<Bytes>("packet");
        Bytes changed = Payload;
        changed[3] = '_';
        QTest::newRow("other identifier") << report(11, 0, echoRequest(Identifier + 1));
        QTest::newRow("other sequence") << report(11, 0, echoRequest(Identifier, Sequence - 1));
        QTest::newRow("other destination") << report(11, 0, echoRequest(), Router);
        QTest::newRow("other payload") << report(11, 0, echoRequest(Identifier, Sequence, changed));
        QTest::newRow("quoted UDP") << report(3, 3, echoRequest(), Target, 17);
        QTest::newRow("quoted echo reply")
            << report(11, 0, icmpMessage(0, 0, Identifier, Sequence, Payload));
        Bytes headerOnly = echoRequest();
        headerOnly.resize(6);
        QTest::newRow("quoted ICMP shorter than its header") << report(11, 0, headerOnly);
        Bytes badQuotedHeader = report(11, 0, echoRequest());
        badQuotedHeader[28] = 0x4f;  // quoted IHL reaches past the packet
        QTest::newRow("quoted IHL beyond the packet") << badQuotedHeader;
        Bytes tinyQuotedHeader = report(11, 0, echoRequest());
        tinyQuotedHeader[28] = 0x43;
        QTest::newRow("quoted IHL below 5") << tinyQuotedHeader;
    }
    void reportQuotingSomeoneElsesEchoIsRefused() {
        QFETCH(Bytes, packet);
        // Keep the outer checksum right, so that only the quote decides.
        const std::size_t icmpAt = 20;
        packet[icmpAt + 2] = packet[icmpAt + 3] = 0;
        const std::uint16_t sum = icmp::internetChecksum(std::span(packet).subspan(icmpAt));
        packet[icmpAt + 2] = std::uint8_t(sum >> 8);
        packet[icmpAt + 3] = std::uint8_t(sum);
        QVERIFY(!parseRaw(packet));
    }

    void reportQuotingOnlyPartOfOurPayloadStillCounts() {
        // Old routers return the original header and only 8 bytes after it.
        Bytes minimal = echoRequest();
        minimal.resize(8);
        QVERIFY(parseRaw(report(11, 0, minimal)));
        Bytes partial = echoRequest();
        partial.resize(12);
        QVERIFY(parseRaw(report(11, 0, partial)));
        QVERIFY(icmp::matchDatagramReport(11, 0, Router, Target, partial, datagramProbe()));
    }

    void datagramFramingCarriesNoIpHeader() {
        const Bytes message = icmpMessage(0, 0, 0x7777, Sequence, Payload);
        // The kernel chose the identifier: it is not ours to check.
        const auto answer = icmp::matchDatagramReply(message, Target, datagramProbe());
        QVERIFY(answer);
        QCOMPARE(answer->status, platform::icmp::ip_status::Success);
        QCOMPARE(answer->from, Target);
        QVERIFY(std::ranges::equal(answer->echoedData, Payload));

        QVERIFY(!icmp::matchDatagramReply(message, Router, datagramProbe()));
        QVERIFY(!icmp::matchDatagramReply(icmpMessage(0, 0, 1, Sequence + 1, Payload), Target,
                                          datagramProbe()));
        QVERIFY(!icmp::matchDatagramReply(Bytes(message.begin(), message.begin() + 7), Target,
                                          datagramProbe()));
        // A whole IP packet is not a datagram message, nor the reverse.
        QVERIFY(!icmp::matchDatagramReply(rawReply(), Target, datagramProbe()));
        QVERIFY(!parseRaw(icmpMessage(0, 0, Identifier, Sequence, Payload)));
    }

    void datagramReportForSomeoneElseIsRefused() {
        Bytes changed = Payload;
        changed.back() = '?';
        const icmp::Probe probe = datagramProbe();
        QVERIFY(!icmp::matchDatagramReport(11, 0, Router, Router, echoRequest(), probe));
        QVERIFY(
            !icmp::matchDatagramReport(11, 0, Router, Target, echoRequest(1, Sequence + 1), probe));
        QVERIFY(!icmp::matchDatagramReport(11, 0, Router, Target, echoRequest(1, Sequence, changed),
                                           probe));
        QVERIFY(!icmp::matchDatagramReport(11, 0, Router, Target, Bytes{8, 0, 0}, probe));
        QVERIFY(!icmp::matchDatagramReport(5, 0, Router, Target, echoRequest(), probe));
    }
};

QTEST_GUILESS_MAIN(IcmpPacketTest)
#include "icmp_packet_test.moc"
