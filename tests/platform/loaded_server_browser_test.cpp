// The browser loaded from the discovery module on the first search: what a
// module that is there, missing, or not ours gives the host page.

#include <QtTest>

#include "platform/loaded_server_browser.h"

using platform::LoadedServerBrowser;

class LoadedServerBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void theModulesBrowserAnswersEverySearch() {
        LoadedServerBrowser browser(FAKE_BROWSER_MODULE);
        std::uint32_t resume = 0;
        for (const std::uint32_t call : {1u, 2u}) {
            const platform::ServerEnumResult result = browser.NetServerEnum(resume);
            QCOMPARE(result.status, platform::browser_status::Success);
            QCOMPARE(result.entriesRead, 1u);
            QCOMPARE(QString::fromStdU16String(result.servers.at(0).name), QString("MODULEPC"));
            QCOMPARE(resume, call);  // one browser, kept between searches
        }
    }

    void aModuleThatCannotServeFindsNoBrowser_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << QString(FAKE_BROWSER_MODULE) + ".gone";
        QTest::newRow("no browser in it") << QString(LIBRARY_WITHOUT_BROWSER);
        QTest::newRow("relative, as LD_LIBRARY_PATH would find it") << "tarsino-discovery.so";
    }
    void aModuleThatCannotServeFindsNoBrowser() {
        QFETCH(QString, path);
        LoadedServerBrowser browser(path.toStdString());
        for (int search = 0; search < 2; ++search) {
            std::uint32_t resume = 7;
            const platform::ServerEnumResult result = browser.NetServerEnum(resume);
            QCOMPARE(result.status, platform::browser_status::NoBrowserServers);
            QCOMPARE(result.entriesRead, 0u);
            QVERIFY(result.servers.empty());
        }
    }
};

QTEST_MAIN(LoadedServerBrowserTest)
#include "loaded_server_browser_test.moc"
