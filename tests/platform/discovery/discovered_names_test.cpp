// The names peers send before they reach the host list: the one check that
// every method applies, and mDNS host names as Avahi hands them out, escaped.

#include <QtTest>

#include "platform/discovery/listable_name.h"
#include "platform/discovery/mdns_host_name.h"

using namespace platform::discovery;

class DiscoveredNamesTest : public QObject {
    Q_OBJECT

private slots:
    void onlyPrintableNamesOfBoundedLengthAreListable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("listable");
        QTest::newRow("plain") << "SRV05" << true;
        QTest::newRow("mDNS") << "srv05.local" << true;
        QTest::newRow("blank inside") << "Sala riunioni" << true;
        QTest::newRow("accented") << QString::fromUtf8("Sede-Biella-è") << true;
        QTest::newRow("beyond the BMP") << QString::fromUtf8("PC-\U0001F5A5") << true;
        QTest::newRow("at the limit") << QString(16, 'N') << true;
        QTest::newRow("over the limit") << QString(17, 'N') << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("NUL") << QString("PC") + QChar(0) << false;
        QTest::newRow("bell") << "bad\aname" << false;
        QTest::newRow("line feed") << "PC\nFAKE" << false;
        QTest::newRow("escape sequence") << "PC\x1b[2J" << false;
        QTest::newRow("DEL") << "PC\x7f" << false;
        QTest::newRow("C1") << QString("PC") + QChar(0x85) << false;
        // Printable to Qt, but a list row breaks its text there.
        QTest::newRow("line separator") << QString("PC") + QChar(0x2028) + "FAKE" << false;
        QTest::newRow("paragraph separator") << QString("PC") + QChar(0x2029) + "FAKE" << false;
        QTest::newRow("right-to-left override")
            << QString("PC") + QChar(0x202E) + "cod.exe" << false;
        QTest::newRow("zero-width joiner") << QString("P") + QChar(0x200D) + "C" << false;
        QTest::newRow("invalid UTF-8") << QString::fromUtf8("PC\xff") << false;
        QTest::newRow("lone surrogate") << QString("PC") + QChar(0xD800) << false;
        QTest::newRow("private use") << QString("PC") + QChar(0xE000) << false;
    }

    void onlyPrintableNamesOfBoundedLengthAreListable() {
        QFETCH(QString, name);
        QFETCH(bool, listable);
        QCOMPARE(isListableName(name, 16), listable);
    }

    void mdnsNamesAreUnescapedThenChecked_data() {
        QTest::addColumn<QByteArray>("escaped");
        QTest::addColumn<QString>("expected");  // empty: not listed
        QTest::newRow("plain") << QByteArray("srv05.local") << "srv05.local";
        QTest::newRow("trailing dot") << QByteArray("srv05.local.") << "srv05.local";
        QTest::newRow("escaped blank") << QByteArray("my\\032pc.local") << "my pc.local";
        QTest::newRow("escaped UTF-8")
            << QByteArray("sede\\195\\168.local") << QString::fromUtf8("sedeè.local");
        QTest::newRow("escaped control character") << QByteArray("bad\\007name.local") << "";
        QTest::newRow("raw control character") << QByteArray("bad\anam.local") << "";
        QTest::newRow("escaped line feed") << QByteArray("pc\\010fake.local") << "";
        QTest::newRow("escaped line separator") << QByteArray("pc\\226\\128\\168fake.local") << "";
        QTest::newRow("escaped NUL") << QByteArray("pc\\000.local") << "";
        QTest::newRow("invalid UTF-8") << QByteArray("pc\\255.local") << "";
        QTest::newRow("a dot inside a label") << QByteArray("a\\.b.local") << "";
        QTest::newRow("empty label") << QByteArray("pc..local") << "";
        QTest::newRow("empty") << QByteArray("") << "";
        QTest::newRow("broken escape") << QByteArray("pc\\0") << "";
        QTest::newRow("label too long") << QByteArray(64, 'a') + ".local"
                                        << "";
        QTest::newRow("longest label")
            << QByteArray(63, 'a') + ".local" << QString(63, 'a') + ".local";
        QTest::newRow("name too long") << (QByteArray(60, 'a') + '.').repeated(5) + "local"
                                       << "";
    }

    void mdnsNamesAreUnescapedThenChecked() {
        QFETCH(QByteArray, escaped);
        QFETCH(QString, expected);
        QCOMPARE(mdnsHostName(escaped.constData()).value_or(QString()), expected);
    }
};

QTEST_GUILESS_MAIN(DiscoveredNamesTest)
#include "discovered_names_test.moc"
