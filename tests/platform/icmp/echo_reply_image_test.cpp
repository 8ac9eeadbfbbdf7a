// The reply image's codec at the edges the facility meets: areas too small for
// the status or the header, echoed data longer than the room left, and a
// header that reads back as it was written.

#include <QtTest>

#include <array>
#include <cstring>

#include "platform/icmp/echo_reply_image.h"
#include "platform/icmp/ip_status.h"

namespace image = platform::icmp::echo_reply_image;

namespace {

constexpr std::uint8_t Untouched = 0xee;

std::array<std::uint8_t, 48> untouchedArea() {
    std::array<std::uint8_t, 48> area;
    area.fill(Untouched);
    return area;
}

platform::icmp::EchoReplyHeader sampleHeader() {
    platform::icmp::EchoReplyHeader header;
    header.Address = 0x0100007f;
    header.Status = platform::icmp::ip_status::TtlExpiredTransit;
    header.RoundTripTime = 7;
    header.DataSize = 6;
    header.DataPointer = platform::icmp::reply_layout::DataOffset;
    header.Options.setTimeToLive(63);
    return header;
}

}  // namespace

class EchoReplyImageTest : public QObject {
    Q_OBJECT

private slots:
    void statusAloneGoesOnlyWhereItFits_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("written");
        QTest::newRow("no area") << 0 << false;
        QTest::newRow("one byte short of the status") << 7 << false;
        QTest::newRow("just the status") << 8 << true;
        QTest::newRow("one byte short of the header") << 31 << true;
    }
    void statusAloneGoesOnlyWhereItFits() {
        QFETCH(int, size);
        QFETCH(bool, written);
        auto area = untouchedArea();
        image::writeStatus(std::span(area).first(std::size_t(size)), 11010);
        const std::uint8_t status[] = {0x02, 0x2b, 0, 0};  // 11010, little-endian
        QCOMPARE(std::memcmp(&area[4], status, 4) == 0, written);
        // Nothing else moves: before the status, after it, and beyond the area.
        QCOMPARE(area[0], Untouched);
        QCOMPARE(area[3], Untouched);
        QVERIFY(
            std::all_of(area.begin() + 8, area.end(), [](auto byte) { return byte == Untouched; }));

        // An answer into an area too small for its header is reported the same way.
        auto answered = untouchedArea();
        image::writeAnswer(std::span(answered).first(std::size_t(size)), sampleHeader(), {});
        QCOMPARE(answered[4] == 0x05, written);  // 11013, low byte
        QCOMPARE(answered[0], Untouched);
    }

    void echoedDataIsCutAtTheAreaEnd() {
        auto area = untouchedArea();
        const std::uint8_t data[] = {'a', 'b', 'c', 'd', 'e', 'f'};
        image::writeAnswer(std::span(area).first(35), sampleHeader(), data);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&area[32]), 3), QByteArray("abc"));
        QCOMPARE(area[35], Untouched);

        const auto header = image::readHeader(std::span(area).first<image::HeaderImageSize>());
        QCOMPARE(header.Address, 0x0100007fu);
        QCOMPARE(header.Status, 11013);
        QCOMPARE(header.RoundTripTime, 7u);
        QCOMPARE(header.DataSize, std::int16_t{6});
        QCOMPARE(header.DataPointer, 32u);
        QCOMPARE(header.Options.timeToLive(), std::uint8_t{63});
        QCOMPARE(header.Options.bytes[1], std::uint8_t{0});
    }
};

QTEST_GUILESS_MAIN(EchoReplyImageTest)
#include "echo_reply_image_test.moc"
