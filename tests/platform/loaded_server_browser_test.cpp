// The browser loaded from the discovery module on the first search: what a
// module that is there, missing, or not ours gives the host page.

#include <dlfcn.h>
#include <unistd.h>

#include <QtTest>

#include <cstdio>

#include "platform/loaded_server_browser.h"

using platform::LoadedServerBrowser;

namespace {

// What `search` writes to standard error.
template <typename Search>
QString standardErrorOf(Search search) {
    std::FILE* capture = std::tmpfile();
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(::fileno(capture), STDERR_FILENO);
    search();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::rewind(capture);
    char text[512] = {};
    const std::size_t length = std::fread(text, 1, sizeof text - 1, capture);
    std::fclose(capture);
    return QString::fromUtf8(text, static_cast<qsizetype>(length));
}

}  // namespace

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
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QString(FAKE_BROWSER_MODULE) + ".gone"
                                 << "No such file or directory";
        QTest::newRow("no browser in it")
            << QString(LIBRARY_WITHOUT_BROWSER) << "undefined symbol: tarsinoMakeLanServerBrowser";
        QTest::newRow("relative, as LD_LIBRARY_PATH would find it")
            << "tarsino-discovery.so"
            << "tarsino-discovery.so: not an absolute path";
    }
    void aModuleThatCannotServeFindsNoBrowser() {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        // An earlier, unrelated failure must not be given as the reason.
        QVERIFY(!::dlopen("/nonexistent/unrelated.so", RTLD_NOW));
        LoadedServerBrowser browser(path.toStdString());
        for (int search = 0; search < 2; ++search) {
            std::uint32_t resume = 7;
            platform::ServerEnumResult result;
            const QString said = standardErrorOf([&] { result = browser.NetServerEnum(resume); });
            // Said once, on the first search.
            if (search == 0) {
                QVERIFY2(said.contains(reason) && !said.contains("unrelated"), qPrintable(said));
            } else {
                QCOMPARE(said, QString());
            }
            QCOMPARE(result.status, platform::browser_status::NoBrowserServers);
            QCOMPARE(result.entriesRead, 0u);
            QVERIFY(result.servers.empty());
        }
    }
};

QTEST_MAIN(LoadedServerBrowserTest)
#include "loaded_server_browser_test.moc"
