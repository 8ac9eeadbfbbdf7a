// The messages to and from the ICMP helper: a request that is malformed,
// oversized or out of range is refused whole, and an answer that claims more
// than the request could bring back is refused as well.

#include <QtTest>

#include <arpa/inet.h>

#include "platform/icmp/icmp_helper_protocol.h"
#include "platform/icmp/ip_status.h"

namespace protocol = platform::icmp::helper;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes requestFrame(const char* destination, std::uint8_t ttl, int timeoutMs,
                   const QByteArray& payload) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(payload.constData());
    protocol::EchoRequest request;
    request.destination = ::inet_addr(destination);
    request.timeToLive = ttl;
    request.timeout = std::chrono::milliseconds(timeoutMs);
    request.payload = std::span(data, std::size_t(payload.size()));
    Bytes frame;
    protocol::encodeRequest(frame, request);
    return frame;
}

// Rewrites the length prefix after a test changed the frame's body.
Bytes withLength(Bytes frame) {
    const std::size_t length = frame.size() - 2;
    frame[0] = std::uint8_t(length >> 8);
    frame[1] = std::uint8_t(length);
    return frame;
}

Bytes answerFrame(std::int32_t status, std::optional<QByteArray> echoed) {
    platform::icmp::EchoOutcome outcome;
    outcome.status = status;
    outcome.roundTripMs = 7;
    if (echoed) {
        platform::icmp::packet::Answer answer;
        answer.status = status;
        answer.from = ::inet_addr("10.0.0.9");
        answer.timeToLive = 61;
        answer.typeOfService = 0x10;
        answer.echoedData = std::span(reinterpret_cast<const std::uint8_t*>(echoed->constData()),
                                      std::size_t(echoed->size()));
        outcome.answer = answer;
    }
    Bytes frame;
    protocol::encodeAnswer(frame, outcome);
    return frame;
}

// Byte offsets in a request frame.
constexpr std::size_t Kind = 2, Flags = 7, TimeToLive = 8, Timeout = 9, PayloadSize = 11;

}  // namespace

class IcmpHelperProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void requestsWithinBoundsAreReadBackExactly_data() {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<int>("ttl");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("payloadSize");
        QTest::newRow("ping") << "127.0.0.1" << 0 << 500 << 11;
        QTest::newRow("probe") << "10.0.4.2" << 1 << 2400 << 128;
        QTest::newRow("empty payload, no wait") << "192.168.1.1" << 255 << 0 << 0;
        QTest::newRow("largest") << "10.1.2.3" << 64 << 10000 << int(protocol::MaxPayloadSize);
    }
    void requestsWithinBoundsAreReadBackExactly() {
        QFETCH(QString, destination);
        QFETCH(int, ttl);
        QFETCH(int, timeoutMs);
        QFETCH(int, payloadSize);
        QByteArray payload(payloadSize, 'a');
        for (int i = 0; i < payloadSize; ++i) payload[i] = char(i * 7);
        const Bytes frame =
            requestFrame(qPrintable(destination), std::uint8_t(ttl), timeoutMs, payload);
        const auto request = protocol::parseRequest(frame);
        QVERIFY(request);
        QCOMPARE(request->destination, ::inet_addr(qPrintable(destination)));
        QCOMPARE(int(request->timeToLive), ttl);
        QCOMPARE(int(request->timeout.count()), timeoutMs);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(request->payload.data()),
                            qsizetype(request->payload.size())),
                 payload);
    }

    void badRequestsAreRefused_data() {
        QTest::addColumn<Bytes>("frame");
        const Bytes good = requestFrame("10.0.0.1", 5, 500, "abc");
        QVERIFY(protocol::parseRequest(good));
        auto changed = [&](std::size_t at, std::uint8_t value) {
            Bytes frame = good;
            frame[at] = value;
            return frame;
        };
        QTest::newRow("empty") << Bytes{};
        QTest::newRow("length only") << Bytes{0, 0};
        QTest::newRow("cut short") << Bytes(good.begin(), good.end() - 1);
        QTest::newRow("cut short, length fixed") << withLength(Bytes(good.begin(), good.end() - 1));
        Bytes trailing = good;
        trailing.push_back('x');
        QTest::newRow("trailing byte") << trailing;
        QTest::newRow("trailing byte, length fixed") << withLength(trailing);
        QTest::newRow("length too long") << changed(1, std::uint8_t(good[1] + 1));
        QTest::newRow("other kind") << changed(Kind, 'A');
        QTest::newRow("ready frame") << protocol::encodeReady(true);
        QTest::newRow("no destination") << requestFrame("0.0.0.0", 5, 500, "abc");
        QTest::newRow("broadcast") << requestFrame("255.255.255.255", 5, 500, "abc");
        QTest::newRow("time to live 0, given") << changed(TimeToLive, 0);
        QTest::newRow("time to live, not given") << changed(Flags, 0);
        QTest::newRow("unknown flag") << changed(Flags, 0x03);
        QTest::newRow("time-out over bound") << changed(Timeout, 0x27);  // 10228 ms
        Bytes longWait = good;
        longWait[Timeout] = 0xff;
        longWait[Timeout + 1] = 0xff;
        QTest::newRow("longest time-out") << longWait;
        QTest::newRow("payload size over the bytes") << changed(PayloadSize + 1, 4);
        QTest::newRow("payload size under the bytes") << changed(PayloadSize + 1, 2);
        Bytes oversized =
            requestFrame("10.0.0.1", 5, 500, QByteArray(int(protocol::MaxPayloadSize), 'a'));
        oversized[PayloadSize] = 0xff;
        oversized[PayloadSize + 1] = 0xe4;  // one byte over the bound
        oversized.push_back('a');
        QTest::newRow("payload over bound") << withLength(oversized);
    }
    void badRequestsAreRefused() {
        QFETCH(Bytes, frame);
        QVERIFY(!protocol::parseRequest(frame));
    }

    void readyTellsWhetherTheHelperHoldsItsSocket() {
        QCOMPARE(protocol::parseReady(protocol::encodeReady(true)), std::optional<bool>(true));
        QCOMPARE(protocol::parseReady(protocol::encodeReady(false)), std::optional<bool>(false));
        Bytes other = protocol::encodeReady(true);
        other[3] = 2;
        QVERIFY(!protocol::parseReady(other));
        other = protocol::encodeReady(true);
        other.push_back(0);
        QVERIFY(!protocol::parseReady(withLength(other)));
        QVERIFY(!protocol::parseReady(requestFrame("10.0.0.1", 5, 500, "")));
    }

    void answersAreReadBackExactly() {
        const Bytes reply =
            answerFrame(platform::icmp::ip_status::Success, QByteArray("who are you"));
        const auto replied = protocol::parseAnswer(reply, 11);
        QVERIFY(replied && replied->answer);
        QCOMPARE(replied->status, 0);
        QCOMPARE(replied->roundTripMs, 7u);
        QCOMPARE(replied->answer->from, ::inet_addr("10.0.0.9"));
        QCOMPARE(replied->answer->timeToLive, std::uint8_t{61});
        QCOMPARE(replied->answer->typeOfService, std::uint8_t{0x10});
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(replied->answer->echoedData.data()), 11),
                 "who are you");

        const auto expired = protocol::parseAnswer(answerFrame(11013, QByteArray()), 11);
        QVERIFY(expired && expired->answer);
        QCOMPARE(expired->answer->status, 11013);

        const auto silent = protocol::parseAnswer(answerFrame(11010, std::nullopt), 11);
        QVERIFY(silent && !silent->answer);
        QCOMPARE(silent->status, 11010);
    }

    void answersBeyondTheRequestAreRefused_data() {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<int>("sent");
        QTest::newRow("reply longer than the request")
            << answerFrame(0, QByteArray("who are you!")) << 11;
        QTest::newRow("reply shorter than the request") << answerFrame(0, QByteArray("who")) << 11;
        QTest::newRow("error report with data") << answerFrame(11013, QByteArray("x")) << 11;
        QTest::newRow("no answer, yet success") << answerFrame(0, std::nullopt) << 11;
        QTest::newRow("status of no echo") << answerFrame(-1, std::nullopt) << 11;
        QTest::newRow("status past the table") << answerFrame(11255, std::nullopt) << 11;
        Bytes trailing = answerFrame(11010, std::nullopt);
        trailing.push_back(0);
        QTest::newRow("trailing byte") << withLength(trailing) << 11;
        Bytes answered = answerFrame(11010, std::nullopt);
        answered[7] = 2;
        QTest::newRow("answered neither 0 nor 1") << answered << 11;
        QTest::newRow("a request") << requestFrame("10.0.0.1", 5, 500, "who are you") << 11;
    }
    void answersBeyondTheRequestAreRefused() {
        QFETCH(Bytes, frame);
        QFETCH(int, sent);
        QVERIFY(!protocol::parseAnswer(frame, std::size_t(sent)));
    }
};

QTEST_GUILESS_MAIN(IcmpHelperProtocolTest)
#include "icmp_helper_protocol_test.moc"
