// "&Rileva" on the real LAN browser and resolver, on the client side of the
// hosts lab (tests/lab/hosts_lab.sh runs it there): the servers of our
// workgroup are listed with their addresses, one is annotated, the list is
// sorted, and the report carries it all.

#include <QtTest>

#include <QTemporaryDir>

#include "cannot_run.h"
#include "host_page_fixture.h"
#include "hosts_lab_expectations.h"
#include "tools/hosts/dialog_info_host.h"

using testing_support::HostPageFixture;
using testing_support::HostsLabExpectations;
using testing_support::RealHostServices;

class HostDetectionLabTest : public QObject {
    Q_OBJECT

private slots:
    void listsAnnotatesSortsAndReportsTheLabsServers() {
        if (const QString why = HostsLabExpectations::skipReason(); !why.isEmpty())
            TARSINO_CANNOT_RUN(why);
        const auto expected = HostsLabExpectations::read();
        QVERIFY(!expected.present.isEmpty());

        RealHostServices real(TARSINO_DISCOVERY_MODULE);
        HostPageFixture f(real);
        QTemporaryDir folder;
        f.environment.folder = folder.path();
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));

        QTest::mouseClick(f.CmdNetDetect, Qt::LeftButton);
        QVERIFY2(f.toolkit.messages.empty(),
                 qPrintable(f.toolkit.messages.empty() ? QString() : f.toolkit.messages[0].text));
        QTreeWidget& list = *f.Lv_hosts;
        const QStringList names = expected.presentInListOrder();
        QCOMPARE(f.column(2), names);
        QStringList numbers, addresses;
        for (int i = 0; i < names.size(); ++i) {
            numbers << QString::number(i + 1);
            addresses << expected.present.value(names[i]);
        }
        QCOMPARE(f.column(0), numbers);
        QCOMPARE(f.column(1), addresses);
        for (const QString& alien : expected.absent.keys()) QVERIFY(!f.column(2).contains(alien));

        // Annotate the first host through the dialog.
        f.toolkit.onShowModal = [](QDialog& shown) {
            auto& dialog = static_cast<hosts::DialogInfoHost&>(shown);
            dialog.show();
            QTest::keyClicks(dialog.txt_utente, "Anna Rossi");
            QTest::keyClicks(dialog.txt_sede, "Torino");
            QTest::keyClicks(dialog.txt_piano, "2");
            QTest::keyClicks(dialog.txt_stanza, "12");
            QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        };
        QTreeWidgetItem* first = list.topLevelItem(0);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(first).center());
        QCOMPARE(first->text(3), QString("Anna Rossi"));

        // Sort by address, then write the report.
        f.clickHeader(1);
        QStringList sortedAddresses = addresses;
        std::sort(sortedAddresses.begin(), sortedAddresses.end());
        QCOMPARE(f.column(1), sortedAddresses);
        QTest::mouseClick(f.btn_logFile, Qt::LeftButton);
        QFile report(folder.filePath("Tarsino.htm"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QByteArray html = report.readAll();
        qsizetype at = 0;
        for (const QString& address : sortedAddresses) {
            at = html.indexOf(
                "<td><font face='tahoma' color='navy'>" + address.toLatin1() + "</font></td>", at);
            QVERIFY2(at > 0, qPrintable(address));
        }
        QVERIFY(html.contains("Anna Rossi"));
    }
};

QTEST_MAIN(HostDetectionLabTest)
#include "host_detection_lab_test.moc"
