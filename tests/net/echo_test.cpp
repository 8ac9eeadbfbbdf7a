// One echo through PingModule and the status texts the ping page shows: the
// early returns that must not touch the reply, what reaches the facility,
// the reply image's layout, and one real echo on loopback.

#include <QtTest>

#include <unistd.h>

#include <arpa/inet.h>

#include <cstring>

#include "cannot_run.h"
#include "fake_icmp.h"
#include "net/echo.h"
#include "platform/linux_icmp.h"
#include "platform/linux_sockets.h"

using testing_support::FakeIcmp;

namespace {

// A record whose every byte differs from zero, to see whether anything was written.
net::EchoReply filledReply() {
    net::EchoReply reply;
    reply.Address = 0x01020304;
    reply.Status = 77;
    reply.RoundTripTime = 5;
    reply.DataSize = -3;
    reply.Reserved = 9;
    reply.DataPointer = 1234;
    reply.Options.bytes.fill(0x5a);
    reply.DataArea.fill('q');
    return reply;
}

bool sameImage(const net::EchoReply& a, const net::EchoReply& b) {
    return a.toImage() == b.toImage();
}

}  // namespace

class PingModuleTest : public QObject {
    Q_OBJECT

private slots:
    void statusTextForEveryCode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        const std::pair<int, const char*> rows[] = {
            {-1, "inet_addr: bad IP format"},
            {0, "ip success"},
            {500, "ping timeout"},
            {11001, "ip buf too_small"},
            {11002, "ip dest net unreachable"},
            {11003, "ip dest host unreachable"},
            {11004, "ip dest prot unreachable"},
            {11005, "ip dest port unreachable"},
            {11006, "ip no resources"},
            {11007, "ip bad option"},
            {11008, "ip hw_error"},
            {11009, "ip packet too_big"},
            {11010, "ip req timed out"},
            {11011, "ip bad req"},
            {11012, "ip bad route"},
            {11013, "ip ttl expired transit"},
            {11014, "ip ttl expired reassem"},
            {11015, "ip param_problem"},
            {11016, "ip source quench"},
            {11017, "ip option too_big"},
            {11018, "ip bad destination"},
            {11019, "ip addr deleted"},
            {11020, "ip spec mtu change"},
            {11021, "ip mtu_change"},
            {11022, "ip unload"},
            {11023, "ip addr added"},
            {11050, "ip general failure"},
            {11255, "ip pending"},
            // Neighbours of listed codes and the extremes take the default.
            {1, "unknown  msg returned"},
            {-2, "unknown  msg returned"},
            {499, "unknown  msg returned"},
            {11000, "unknown  msg returned"},
            {11024, "unknown  msg returned"},
            {11049, "unknown  msg returned"},
            {11051, "unknown  msg returned"},
            {11254, "unknown  msg returned"},
            {INT_MAX, "unknown  msg returned"},
            {INT_MIN, "unknown  msg returned"},
        };
        for (const auto& [code, text] : rows)
            QTest::addRow("%d", code) << code << QString::number(code) + "   [ " + text + " ]";
    }
    void statusTextForEveryCode() {
        QFETCH(int, code);
        QFETCH(QString, text);
        const std::int32_t value = code;
        QCOMPARE(PingModule::EchoStatusText(value), text);
    }

    void statusTextFramingIsExact() {
        QCOMPARE(PingModule::EchoStatusText(0), QString("0   [ ip success ]"));
        QCOMPARE(PingModule::EchoStatusText(-1), QString("-1   [ inet_addr: bad IP format ]"));
        QCOMPARE(PingModule::EchoStatusText(-2147483647 - 1),
                 QString("-2147483648   [ unknown  msg returned ]"));
    }

    void addressThatIsNotDottedReturnsMinusOneUntouched_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("host name") << "server.example";
        QTest::newRow("empty") << "";
        QTest::newRow("all ones") << "255.255.255.255";
        QTest::newRow("five parts") << "1.2.3.4.5";
        QTest::newRow("octet too big") << "10.0.0.256";
    }
    void addressThatIsNotDottedReturnsMinusOneUntouched() {
        QFETCH(QString, address);
        platform::LinuxSockets sockets;
        FakeIcmp icmp;
        net::EchoReply reply = filledReply();
        QCOMPARE(PingModule::SendEcho(sockets, icmp, address, "who are you", reply), -1);
        QVERIFY(sameImage(reply, filledReply()));
        QCOMPARE(icmp.opened, 0);
        QVERIFY(icmp.requests.empty());
    }

    void noHandleGivesGeneralFailureUntouched() {
        platform::LinuxSockets sockets;
        FakeIcmp icmp;
        icmp.handleToGive = 0;
        net::EchoReply reply = filledReply();
        QCOMPARE(PingModule::SendEcho(sockets, icmp, "127.0.0.1", "who are you", reply), 11050);
        QVERIFY(sameImage(reply, filledReply()));
        QVERIFY(icmp.requests.empty());
        QVERIFY(icmp.closed.empty());
    }

    void echoIsOneRequestWithoutOptionsAndHandleIsClosed() {
        platform::LinuxSockets sockets;
        FakeIcmp icmp;
        icmp.status = 11010;
        net::EchoReply reply;
        QCOMPARE(PingModule::SendEcho(sockets, icmp, "10.0.0.200", "who are you", reply), 11010);
        QCOMPARE(icmp.requests.size(), 1u);
        const auto& request = icmp.requests.front();
        QCOMPARE(request.handle, platform::IcmpHandle{7});
        QCOMPARE(request.destination, ::inet_addr("10.0.0.200"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(request.data.data()),
                            qsizetype(request.data.size())),
                 QByteArray("who are you"));
        QVERIFY(!request.options);
        QCOMPARE(request.replySize, 287u);
        QCOMPARE(request.timeoutMs, 500u);
        QCOMPARE(icmp.closed, std::vector<platform::IcmpHandle>{7});
        QCOMPARE(reply.Status, 11010);
    }

    void payloadGoesOutAsLocal8BitAndEmptyPayloadAsNoBytes() {
        platform::LinuxSockets sockets;
        FakeIcmp icmp;
        net::EchoReply reply;
        const QString accented = QString::fromUtf8("caff\xc3\xa8");
        PingModule::SendEcho(sockets, icmp, "127.0.0.1", accented, reply);
        PingModule::SendEcho(sockets, icmp, "127.0.0.1", QString(), reply);
        QCOMPARE(icmp.requests.size(), 2u);
        // A Linux desktop's 8-bit encoding is UTF-8: è is C3 A8.
        const QByteArray expected("caff\xc3\xa8");
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(icmp.requests[0].data.data()),
                            qsizetype(icmp.requests[0].data.size())),
                 expected);
        QVERIFY(icmp.requests[1].data.empty());
    }

    void payloadBeyondAnEchoIsClampedNotWrapped() {
        // 65536 + 10 bytes would wrap to a 10-byte echo that looks like success.
        platform::LinuxSockets sockets;
        FakeIcmp icmp;
        net::EchoReply reply;
        PingModule::SendEcho(sockets, icmp, "127.0.0.1", QString(65546, 'a'), reply);
        QCOMPARE(icmp.requests.front().data.size(), 65535u);
    }

    void replyIsTakenBackAndLastByteOfImageStaysAsGiven() {
        platform::LinuxSockets sockets;
        FakeIcmp icmp;
        icmp.result = 1;
        // A facility that fills every byte it was given leaves the last one alone.
        icmp.answer = [](std::uint8_t* area, std::uint32_t size) {
            std::memset(area, 0xab, size);
            const std::uint8_t header[] = {127, 0, 0, 1, 0, 0, 0,  0, 3, 0,
                                           0,   0, 2, 0, 0, 0, 32, 0, 0, 0};
            std::memcpy(area, header, sizeof header);
            std::memcpy(area + 32, "hi\0", 3);
        };
        net::EchoReply reply;
        QCOMPARE(PingModule::SendEcho(sockets, icmp, "127.0.0.1", "hi", reply), 0);
        QCOMPARE(reply.Address, ::inet_addr("127.0.0.1"));
        QCOMPARE(reply.RoundTripTime, 3u);
        QCOMPARE(reply.DataSize, std::int16_t{2});
        QCOMPARE(reply.DataPointer, 32u);
        QCOMPARE(QByteArray(reply.DataArea.data()), QByteArray("hi"));
        QCOMPARE(reply.DataArea[254], char(0xab));
        QCOMPARE(reply.DataArea[255], '\0');
    }

    void imageHasTheFixedLayoutAndRoundTrips() {
        net::EchoReply reply;
        reply.Address = ::inet_addr("10.0.0.200");
        reply.Status = 11013;
        reply.RoundTripTime = 0x01020304;
        reply.DataSize = -2;
        reply.Reserved = 0xbeef;
        reply.DataPointer = 32;
        reply.Options.setTimeToLive(9);
        reply.Options.bytes[11] = 0x77;
        reply.DataArea[0] = 'w';
        reply.DataArea[255] = 'z';
        const net::EchoReply::Image image = reply.toImage();
        const std::uint8_t header[] = {10,   0,    0,    200,  0x05, 0x2b, 0, 0, 0x04, 0x03, 0x02,
                                       0x01, 0xfe, 0xff, 0xef, 0xbe, 32,   0, 0, 0,    9};
        QVERIFY(std::memcmp(image.data(), header, sizeof header) == 0);
        QCOMPARE(image[31], std::uint8_t{0x77});
        QCOMPARE(image[32], std::uint8_t{'w'});
        QCOMPARE(image[287], std::uint8_t{'z'});
        QVERIFY(sameImage(net::EchoReply::fromImage(image), reply));

        // The trace route's 295-byte area: the image followed by spare bytes.
        std::array<std::uint8_t, 295> area{};
        std::copy(image.begin(), image.end(), area.begin());
        QVERIFY(sameImage(
            net::EchoReply::fromImage(std::span(area).first<net::EchoReply::ImageSize>()), reply));
    }

    void realEchoOnLoopbackComesBackIntoTheDataArea() {
        platform::LinuxSockets sockets;
        platform::LinuxIcmp icmp;
        const platform::IcmpHandle probe = icmp.IcmpCreateFile();
        if (probe == 0) {
            // Root may always echo (through the helper beside us): a refusal
            // then is the facility's own fault, not the machine's.
            QVERIFY2(::geteuid() != 0, "root was refused an ICMP handle");
            TARSINO_CANNOT_RUN(
                "no ICMP channel here: needs a wide ping_group_range, or root or cap_net_raw for "
                "the ICMP helper");
        }
        icmp.IcmpCloseHandle(probe);
        net::EchoReply reply;
        QCOMPARE(PingModule::SendEcho(sockets, icmp, "127.0.0.1", "who are you", reply), 0);
        QCOMPARE(reply.Status, 0);
        QCOMPARE(reply.Address, ::inet_addr("127.0.0.1"));
        QCOMPARE(reply.DataSize, std::int16_t{11});
        QCOMPARE(reply.DataPointer, 32u);
        QCOMPARE(QByteArray(reply.DataArea.data()), QByteArray("who are you"));
        QCOMPARE(reply.DataArea[255], '\0');
        QCOMPARE(PingModule::EchoStatusText(reply.Status), QString("0   [ ip success ]"));
    }
};

QTEST_GUILESS_MAIN(PingModuleTest)
#include "echo_test.moc"
