// "&Rileva" on the real window against the real LAN browser and resolver, on
// the client side of the hosts lab (tests/lab/hosts_lab.sh runs it there):
// the servers of our workgroup are listed with their addresses, one is
// annotated, the list is sorted, and the report carries it all.

#include <QtTest>

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "cannot_run.h"
#include "fake_services.h"
#include "hosts_lab_expectations.h"
#include "platform/discovery/lan_server_browser.h"
#include "platform/linux_name_resolver.h"
#include "platform/linux_sockets.h"
#include "shell/form_main.h"
#include "tools/hosts/dialog_info_host.h"

using testing_support::FakeServices;
using testing_support::HostsLabExpectations;

namespace {

QStringList column(QTreeWidget& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        texts << list.topLevelItem(row)->text(column);
    return texts;
}

}  // namespace

class HostDetectionLabTest : public QObject {
    Q_OBJECT

private slots:
    void listsAnnotatesSortsAndReportsTheLabsServers() {
        if (HostsLabExpectations::labDir().isEmpty())
            TARSINO_CANNOT_RUN(
                "runs on the client side of the hosts lab: tests/lab/hosts_lab.sh run <this "
                "program>");
        const auto expected = HostsLabExpectations::read(HostsLabExpectations::labDir());
        QVERIFY(!expected.present.isEmpty());

        FakeServices fakes;
        QTemporaryDir folder;
        fakes.environment.folder = folder.path();
        platform::LinuxSockets sockets;
        platform::LinuxNameResolver resolver;
        const auto browser = platform::makeLanServerBrowser();
        shell::FormMain form(
            {sockets, fakes.noIcmp, *browser, resolver, fakes.environment, fakes.toolkit});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.TabStrip1->setCurrentIndex(1);

        QTest::mouseClick(form.CmdNetDetect, Qt::LeftButton);
        QVERIFY2(fakes.toolkit.messages.empty(),
                 qPrintable(fakes.toolkit.messages.empty() ? QString()
                                                           : fakes.toolkit.messages[0].text));
        QTreeWidget& list = *form.Lv_hosts;
        const QStringList names = expected.presentInListOrder();
        QCOMPARE(column(list, 2), names);
        QStringList numbers, addresses;
        for (int i = 0; i < names.size(); ++i) {
            numbers << QString::number(i + 1);
            addresses << expected.present.value(names[i]);
        }
        QCOMPARE(column(list, 0), numbers);
        QCOMPARE(column(list, 1), addresses);
        for (const QString& alien : expected.absent.keys())
            QVERIFY(!column(list, 2).contains(alien));

        // Annotate the first host through the dialog.
        fakes.toolkit.onShowModal = [](QDialog& shown) {
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
        QHeaderView* header = list.header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
        QStringList sortedAddresses = addresses;
        std::sort(sortedAddresses.begin(), sortedAddresses.end());
        QCOMPARE(column(list, 1), sortedAddresses);
        QTest::mouseClick(form.btn_logFile, Qt::LeftButton);
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
