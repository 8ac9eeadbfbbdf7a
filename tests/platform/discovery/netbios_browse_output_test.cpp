// The browse helper's output: the names a master browser lists are believed
// only when the output is whole, and only those that fit on a list row.

#include <QtTest>

#include "platform/discovery/netbios_browse_output.h"

using namespace platform::discovery::netbios;

class NetBiosBrowseOutputTest : public QObject {
    Q_OBJECT

private slots:
    void namesAreReadOnePerLine() {
        // What the helper printed against a Samba master browser (captured).
        QCOMPARE(parseBrowseOutput("NBSRV01\nNBSRV02\nWSPC01\n"),
                 QStringList({"NBSRV01", "NBSRV02", "WSPC01"}));
        QCOMPARE(parseBrowseOutput("PC-ANNA\n\nServer è\n"), QStringList({"PC-ANNA", "Server è"}));
        QVERIFY(parseBrowseOutput("").isEmpty());
    }

    void namesThatDoNotFitARowAreLeftOut() {
        const QByteArray output = "GOOD1\nTAB\tNAME\nDEL\x7fNAME\nBAD\xff\xfeUTF8\n" +
                                  QByteArray(65, 'L') + "\n" + QByteArray(64, 'M') + "\nCR\r\n";
        QCOMPARE(parseBrowseOutput(output), QStringList({"GOOD1", QString(64, 'M')}));
    }

    void anOutputCutOffOrTooLargeGivesNoName() {
        QVERIFY(parseBrowseOutput("NBSRV01\nNBSRV0").isEmpty());
        QByteArray large;
        while (large.size() <= MaxBrowseOutputBytes) large += "NBSRV01\n";
        QVERIFY(parseBrowseOutput(large).isEmpty());
    }

    void atMostSoManyNamesAreRead() {
        QByteArray output;
        for (int i = 0; i < MaxBrowsedServers + 5; ++i)
            output += "PC" + QByteArray::number(i) + "\n";
        const QStringList names = parseBrowseOutput(output);
        QCOMPARE(names.size(), MaxBrowsedServers);
        QCOMPARE(names.last(), QStringLiteral("PC%1").arg(MaxBrowsedServers - 1));
    }
};

QTEST_GUILESS_MAIN(NetBiosBrowseOutputTest)
#include "netbios_browse_output_test.moc"
