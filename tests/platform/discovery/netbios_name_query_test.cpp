// NetBIOS name queries: the query asks what a Windows client asks, and an
// answer is believed only when it is a sound positive answer to that very
// query, however the datagram is crafted.

#include <QtTest>

#include "platform/discovery/netbios_name_query.h"

using namespace platform::discovery::netbios;

namespace {

// "NBSRV02<20>" as it stands in a packet.
const QByteArray Nbsrv02 =
    QByteArray::fromHex("20454f45434644464346474441444343414341434143414341434143414341434100");

// Samba's nmbd answering our query 0x1234 for NBSRV02 (captured): 10.77.4.2.
const QByteArray SambaAnswer = QByteArray::fromHex(
    "1234858000000001000000002045"
    "4f45434644464346474441444343414341434143414341434143414341434100"
    "00200001"
    "0003f480"
    "0006"
    "00000a4d0402");

QByteArray header(quint16 id, quint16 flags, quint16 questions, quint16 answers) {
    QByteArray packet;
    for (const quint16 value : {id, flags, questions, answers, quint16(0), quint16(0)}) {
        packet.append(char(value >> 8));
        packet.append(char(value & 0xFF));
    }
    return packet;
}

// A positive answer about `encodedName` carrying `addressData` as RDATA.
QByteArray answer(quint16 id, const QByteArray& encodedName, const QByteArray& addressData,
                  quint16 flags = 0x8500, quint16 answers = 1) {
    const quint16 length = quint16(addressData.size());
    return header(id, flags, 0, answers) + encodedName + QByteArray::fromHex("00200001000493e0") +
           char(length >> 8) + char(length & 0xFF) + addressData;
}

}  // namespace

class NetBiosNameQueryTest : public QObject {
    Q_OBJECT

private slots:
    void namesAreEncodedUpperCasedAndPadded_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("suffix");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("lower case") << "nbsrv02" << 0x20 << Nbsrv02;
        QTest::newRow("suffix 00")
            << "A" << 0x00
            << QByteArray(1, char(32)) + "EB" + QByteArray("CA").repeated(14) + "AA" +
                   QByteArray(1, '\0');
        QTest::newRow("fifteen") << "ABCDEFGHIJKLMNO" << 0x20
                                 << QByteArray::fromHex("20") + "EBECEDEEEFEGEHEIEJEKELEMENEOEPCA" +
                                        QByteArray(1, '\0');
    }
    void namesAreEncodedUpperCasedAndPadded() {
        QFETCH(QString, name);
        QFETCH(int, suffix);
        QFETCH(QByteArray, encoded);
        QCOMPARE(encodeName(name, quint8(suffix)), std::optional<QByteArray>(encoded));
    }

    void namesThatCannotBeQueriedAreRefused() {
        QVERIFY(!encodeName(QString(), 0x20));
        QVERIFY(!encodeName(QStringLiteral("SIXTEENCHARSLONG"), 0x20));
        QVERIFY(!encodeName(QStringLiteral("CAFFÈ"), 0x20));
        QVERIFY(!encodeName(QStringLiteral("TAB\tNAME"), 0x20));
        QVERIFY(!buildNameQuery(1, QStringLiteral("SIXTEENCHARSLONG")));
    }

    // Byte for byte what Windows broadcasts: opcode query, recursion desired,
    // broadcast flag, one question of type NB, class IN.
    void theQueryIsABroadcastNameQueryForTheServerService() {
        const std::optional<QByteArray> query = buildNameQuery(0xBEEF, QStringLiteral("NBSRV02"));
        QVERIFY(query);
        QCOMPARE(*query, QByteArray::fromHex("beef01100001000000000000") + Nbsrv02 +
                             QByteArray::fromHex("00200001"));
        QCOMPARE(transactionIdOf(*query), std::optional<quint16>(0xBEEF));
    }

    void sambasAnswerGivesTheAddress() {
        QCOMPARE(parseNameQueryAnswer(SambaAnswer, 0x1234, QStringLiteral("NBSRV02")),
                 std::optional<QHostAddress>(QHostAddress(QStringLiteral("10.77.4.2"))));
        QCOMPARE(parseNameQueryAnswer(SambaAnswer, 0x1234, QStringLiteral("nbsrv02")),
                 std::optional<QHostAddress>(QHostAddress(QStringLiteral("10.77.4.2"))));
    }

    void aMultihomedAnswerGivesItsFirstUsableAddress() {
        const QByteArray datagram = answer(7, Nbsrv02,
                                           QByteArray::fromHex("000000000000"
                                                               "6000ffffffff"
                                                               "00000a000002"
                                                               "00000a000003"));
        QCOMPARE(parseNameQueryAnswer(datagram, 7, QStringLiteral("NBSRV02")),
                 std::optional<QHostAddress>(QHostAddress(QStringLiteral("10.0.0.2"))));
        QCOMPARE(parseNameQueryAnswer(answer(7, Nbsrv02, QByteArray::fromHex("000000000000")), 7,
                                      "NBSRV02"),
                 std::nullopt);
    }

    void answersToOtherQueriesOrAboutOtherNamesAreIgnored() {
        QCOMPARE(parseNameQueryAnswer(SambaAnswer, 0x1235, QStringLiteral("NBSRV02")),
                 std::nullopt);
        QCOMPARE(parseNameQueryAnswer(SambaAnswer, 0x1234, QStringLiteral("NBSRV01")),
                 std::nullopt);
        QCOMPARE(parseNameQueryAnswer(SambaAnswer, 0x1234, QStringLiteral("NBSRV0")), std::nullopt);
        // The same name, but the workstation service <00>.
        const QByteArray workstation = *encodeName(QStringLiteral("NBSRV02"), 0x00);
        QCOMPARE(parseNameQueryAnswer(answer(9, workstation, QByteArray::fromHex("00000a000002")),
                                      9, "NBSRV02"),
                 std::nullopt);
        // With a scope label after the name, or a compressed name.
        QByteArray scoped = Nbsrv02;
        scoped.insert(33, QByteArray::fromHex("036c616e"));
        QCOMPARE(parseNameQueryAnswer(answer(9, scoped, QByteArray::fromHex("00000a000002")), 9,
                                      "NBSRV02"),
                 std::nullopt);
        QCOMPARE(parseNameQueryAnswer(
                     answer(9, QByteArray::fromHex("c00c"), QByteArray::fromHex("00000a000002")), 9,
                     "NBSRV02"),
                 std::nullopt);
    }

    void onlyPositiveResponsesToAQueryCount_data() {
        QTest::addColumn<QByteArray>("datagram");
        const QByteArray address = QByteArray::fromHex("00000a000002");
        QTest::newRow("our own query, echoed") << *buildNameQuery(5, QStringLiteral("NBSRV02"));
        QTest::newRow("negative (name error)") << answer(5, Nbsrv02, address, 0x8583);
        QTest::newRow("registration opcode") << answer(5, Nbsrv02, address, 0xAD00);
        QTest::newRow("no answer record") << answer(5, Nbsrv02, address, 0x8500, 0);
        QTest::newRow("with a question")
            << header(5, 0x8500, 1, 1) + answer(5, Nbsrv02, address).mid(12);
        QTest::newRow("type NBSTAT") << header(5, 0x8500, 0, 1) + Nbsrv02 +
                                            QByteArray::fromHex("00210001000493e00006") + address;
        QTest::newRow("class CHAOS") << header(5, 0x8500, 0, 1) + Nbsrv02 +
                                            QByteArray::fromHex("00200003000493e00006") + address;
    }
    void onlyPositiveResponsesToAQueryCount() {
        QFETCH(QByteArray, datagram);
        QCOMPARE(parseNameQueryAnswer(datagram, 5, QStringLiteral("NBSRV02")), std::nullopt);
    }

    // Counts and lengths are the sender's word: none may lead a read past the
    // datagram, whose every truncation is refused.
    void truncatedAndOverstatedPacketsAreRefused() {
        for (qsizetype length = 0; length < SambaAnswer.size(); ++length)
            QVERIFY2(
                !parseNameQueryAnswer(SambaAnswer.left(length), 0x1234, QStringLiteral("NBSRV02")),
                qPrintable(QString::number(length)));
        QCOMPARE(transactionIdOf(SambaAnswer.left(11)), std::nullopt);

        QByteArray overstated = SambaAnswer;
        overstated[SambaAnswer.size() - 7] = char(0x0C);  // RDATA length 12, 6 present
        QCOMPARE(parseNameQueryAnswer(overstated, 0x1234, QStringLiteral("NBSRV02")), std::nullopt);
        overstated[SambaAnswer.size() - 8] = char(0xFF);  // 0xFF0C
        QCOMPARE(parseNameQueryAnswer(overstated, 0x1234, QStringLiteral("NBSRV02")), std::nullopt);
        const QByteArray ragged = answer(5, Nbsrv02, QByteArray::fromHex("00000a00000200"));
        QCOMPARE(parseNameQueryAnswer(ragged, 5, QStringLiteral("NBSRV02")), std::nullopt);

        // Many records announced, one present: the first is all we read.
        QCOMPARE(parseNameQueryAnswer(
                     answer(5, Nbsrv02, QByteArray::fromHex("00000a000002"), 0x8500, 0xFFFF), 5,
                     QStringLiteral("NBSRV02")),
                 std::optional<QHostAddress>(QHostAddress(QStringLiteral("10.0.0.2"))));
        // Larger than the name service ever sends.
        QByteArray huge = answer(5, Nbsrv02, QByteArray(600, '\x0a'));
        QCOMPARE(parseNameQueryAnswer(huge, 5, QStringLiteral("NBSRV02")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(NetBiosNameQueryTest)
#include "netbios_name_query_test.moc"
