// "&Crea Html Log": the exact bytes of the report, its escaping, where it
// goes and what happens when it cannot be written.

#include <QtTest>

#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include "cannot_run.h"
#include "host_page_fixture.h"
#include "tools/hosts/host_report.h"
#include "tools/hosts/report_file.h"

using testing_support::HostPageFixture;
using namespace hosts;
using namespace std::string_view_literals;
namespace status = platform::browser_status;

namespace {

const QString HeaderRow = QStringLiteral(
    "<table border='1' cellpadding='1' cellspacing='1'><tr>"
    "<td bgcolor='gray'><font face='tahoma' color='white'>Indirizzo IP</font></td>"
    "<td bgcolor='gray'><font face='tahoma' color='white'>Nome Host</font></td>"
    "<td bgcolor='gray'><font face='tahoma' color='white'>Utente</font></td>"
    "<td bgcolor='gray'><font face='tahoma' color='white'>Sede</font></td>"
    "<td bgcolor='gray'><font face='tahoma' color='white'>Piano</font></td>"
    "<td bgcolor='gray'><font face='tahoma' color='white'>Stanza</font></td></tr>");

QString cells(const QStringList& values) {
    QString row = QStringLiteral("<tr>");
    for (const QString& value : values)
        row += QStringLiteral("<td><font face='tahoma' color='navy'>") + value +
               QStringLiteral("</font></td>");
    return row + QStringLiteral("</tr>");
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return file.readAll();
}

// The report writes its clock readings in the system's own format; this test
// reads them as an Italian desktop has them. Set before Qt first asks.
[[maybe_unused]] const bool italianClock = [] {
    qunsetenv("LC_ALL");
    return qputenv("LC_TIME", "it_IT.UTF-8");
}();

// Two clock readings a second apart; each stands in its own place.
struct Readings {
    QDateTime first{QDate(2002, 4, 19), QTime(20, 39, 23)};
    QDateTime second{QDate(2002, 4, 19), QTime(20, 39, 24)};
    QString firstText = QStringLiteral("19/04/2002 20:39:23");
    QString secondText = QStringLiteral("19/04/2002 20:39:24");
};

QString opening(const QString& caption, const Readings& readings) {
    return QStringLiteral("<html><head><title>") + caption + QStringLiteral("Log File: ") +
           readings.firstText + QStringLiteral("</title></head>\r\n") +
           QStringLiteral(
               "<body bgcolor = '#f0f0f0'><p align='center'><h3><font face='tahoma' "
               "color='navy'>") +
           caption + QStringLiteral("<br>Log File: ") + readings.secondText +
           QStringLiteral("</h3></font></p><hr color='navy'>\r\n");
}

struct ReportFixture : HostPageFixture {
    QTemporaryDir folder;
    QTemporaryDir dataHome;
    Readings readings;

    ReportFixture() {
        environment.folder = folder.path();
        environment.readings = {readings.first, readings.second};
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    }
    QString reportPath() const { return folder.path() + QStringLiteral("/Tarsino.htm"); }
    // The folder the report is written to is a plain file; empty if it could not be made.
    QString folderThatIsAFile(const QString& name) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly)) return {};
        environment.folder = file.fileName();
        return file.fileName();
    }
    static QString dataReportPath() {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
               QStringLiteral("/Tarsino.htm");
    }
    QStringList folderEntries() const {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    void twoHostsFirstAnnotated() {
        resolver.addHost("pc-b", {10, 0, 0, 2});
        resolver.addHost("pc-a", {10, 0, 0, 1});
        browser.addCall(status::Success, {{u"pc-b", ""}, {u"pc-a", ""}}, 2);
        browser.repeatLast = true;
        page->CmdNetDetect_Click();
        QTreeWidgetItem* first = Lv_hosts->topLevelItem(0);
        first->setText(host_column::User, QStringLiteral("Rossi"));
        first->setText(host_column::Site, QStringLiteral("Roma"));
        first->setText(host_column::Floor, QStringLiteral("2"));
        first->setText(host_column::Room, QStringLiteral("14"));
    }
};

// Lets file writes of this process go no further than `bytes` while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace

class HostReportTest : public QObject {
    Q_OBJECT

private slots:
    void emptyListGivesHeaderRowAloneAndConfirmation() {
        ReportFixture f;
        QTest::mouseClick(f.btn_logFile, Qt::LeftButton);
        const QString caption = QStringLiteral("Tarsino on PC12 [10.0.0.7]");
        const QString document = opening(caption, f.readings) + HeaderRow +
                                 QStringLiteral("</table><HR color='navy'>\r\n");
        QCOMPARE(readFile(f.reportPath()), (document + QStringLiteral("\r\n")).toLatin1());
        QCOMPARE(f.Txt_hosts->text(), document);
        QCOMPARE(f.environment.clockReadings, 2);
        QVERIFY(f.readings.firstText != f.readings.secondText);
        QCOMPARE(f.toolkit.messages.size(), 1u);
        QCOMPARE(f.toolkit.messages[0].text,
                 QStringLiteral("Html Log File creato!\r\n") + f.reportPath());
        QCOMPARE(f.toolkit.messages[0].icon, ui::MessageIcon::Information);
        QCOMPARE(f.toolkit.messages[0].title, QString("Sinotar"));
        QCOMPARE(f.folderEntries(), QStringList({"Tarsino.htm"}));
    }

    void twoHostsOneAnnotatedExactBytes() {
        ReportFixture f;
        f.twoHostsFirstAnnotated();
        f.page->btn_logFile_Click();
        const QString document =
            opening(QStringLiteral("Tarsino on PC12 [10.0.0.7]"), f.readings) + HeaderRow +
            cells({"10.0.0.2", "pc-b", "Rossi", "Roma", "2", "14"}) + QStringLiteral("\r\n") +
            cells({"10.0.0.1", "pc-a", "", "", "", ""}) + QStringLiteral("\r\n") +
            QStringLiteral("</table><HR color='navy'>\r\n\r\n");
        QCOMPARE(readFile(f.reportPath()), document.toLatin1());
    }

    void rowsFollowTheListsSortOrder() {
        ReportFixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        f.twoHostsFirstAnnotated();
        f.clickHeader(host_column::HostName);
        f.page->btn_logFile_Click();
        const QByteArray report = readFile(f.reportPath());
        const auto lines = report.split('\n');
        QVERIFY(lines[2].endsWith(cells({"10.0.0.1", "pc-a", "", "", "", ""}).toLatin1() + "\r"));
        QCOMPARE(lines[3],
                 cells({"10.0.0.2", "pc-b", "Rossi", "Roma", "2", "14"}).toLatin1() + "\r");
    }

    void insertedValuesAreEscapedAndFileIsAscii() {
        ReportFixture f;
        f.window.setWindowTitle(QStringLiteral("Tarsino on <script>alert('x')</script> & \"co\""));
        f.browser.addCall(status::Success, {{u"sal\u00e8-\U0001F600", "10.0.0.3"}}, 1);
        f.page->CmdNetDetect_Click();
        f.Lv_hosts->topLevelItem(0)->setText(host_column::User, QStringLiteral("R&D <b>"));
        f.Lv_hosts->topLevelItem(0)->setText(host_column::Room,
                                             QStringLiteral("Citt\u00e0 \u20ac"));
        f.page->btn_logFile_Click();
        const QByteArray report = readFile(f.reportPath());
        QVERIFY(std::all_of(report.begin(), report.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
        const QByteArray caption =
            "Tarsino on &lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;co&quot;";
        QVERIFY(report.startsWith("<html><head><title>" + caption + "Log File: "));
        QVERIFY(report.contains("color='navy'>" + caption + "<br>Log File: "));
        QVERIFY(report.contains(cells({"10.0.0.3", "sal&#232;-&#128512;", "R&amp;D &lt;b&gt;", "",
                                       "", "Citt&#224; &#8364;"})
                                    .toLatin1()));
        QVERIFY(!report.contains("<script>"));
    }

    void controlCharactersNeverReachTheFile() {
        ReportFixture f;
        // A peer's name that would start a row of its own, and a pasted annotation.
        f.browser.addCall(status::Success, {{u"pc\r\n<tr>evil\u0007", "10.0.0.4"}}, 1);
        f.page->CmdNetDetect_Click();
        const std::u16string_view user = u"Rossi\tMario\u0000\u001b[2J"sv;
        f.Lv_hosts->topLevelItem(0)->setText(host_column::User,
                                             QString::fromUtf16(user.data(), user.size()));
        f.page->btn_logFile_Click();
        const QByteArray report = readFile(f.reportPath());
        QCOMPARE(report.split('\n').size(), 6);  // five lines and the empty one
        QVERIFY(std::all_of(report.begin(), report.end(), [](char c) {
            return c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F);
        }));
        QVERIFY(report.contains(
            cells({"10.0.0.4", "pc&lt;tr&gt;evil", "RossiMario[2J", "", "", ""}).toLatin1() +
            "\r\n</table>"));
    }

    void escapingTable() {
        QCOMPARE(htmlText(QString()), QString());
        QCOMPARE(htmlText("10.0.0.1 pc-a_B"), QString("10.0.0.1 pc-a_B"));
        QCOMPARE(htmlText("a&b<c>d\"e'f"), QString("a&amp;b&lt;c&gt;d&quot;e&#39;f"));
        QCOMPARE(htmlText("&amp;"), QString("&amp;amp;"));
        QCOMPARE(htmlText(QString::fromUtf16(u"\u00e9\u4e2d\U0001F600")),
                 QString("&#233;&#20013;&#128512;"));
        // A lone surrogate cannot be written: it becomes the replacement character.
        QCOMPARE(htmlText(QString(QChar(0xD800))), QString("&#65533;"));
        // Control characters go, all of them; the characters around them stay.
        const std::u16string_view controls =
            u"a\u0000b\tc\r\nd\u001be\u001f~\u007ff\u0085g\u009f\u00a0"sv;
        QCOMPARE(htmlText(QString::fromUtf16(controls.data(), controls.size())),
                 QString("abcde~fg&#160;"));
        QCOMPARE(htmlText(QString("\r\n\t")), QString());
    }

    void generalDateTable() {
        const QLocale italian(QLocale::Italian, QLocale::Italy);
        const QLocale american(QLocale::English, QLocale::UnitedStates);
        const QDateTime evening(QDate(2002, 4, 19), QTime(20, 39, 23), QTimeZone::utc());
        QCOMPARE(generalDateText(evening, italian), QString("19/04/2002 20:39:23"));
        // Qt 6.5 and later (CLDR 42, Debian 13) put a narrow no-break space
        // before the marker; earlier releases a plain one.
        const QString americanText = generalDateText(evening, american);
        QVERIFY2(americanText == QString("4/19/2002 8:39:23 PM") ||
                     americanText == QString::fromUtf8("4/19/2002 8:39:23\u202fPM"),
                 qPrintable(americanText));
        const QDateTime midnight(QDate(2002, 4, 19), QTime(0, 0, 0), QTimeZone::utc());
        QCOMPARE(generalDateText(midnight, italian), QString("19/04/2002"));
        QCOMPARE(generalDateText(midnight.addSecs(1), italian), QString("19/04/2002 00:00:01"));
    }

    void secondClickReplacesTheFile() {
        ReportFixture f;
        f.twoHostsFirstAnnotated();
        f.page->btn_logFile_Click();
        QTest::mouseClick(f.btn_clearDominio, Qt::LeftButton);
        f.environment.readings = {f.readings.first, f.readings.second};
        f.page->btn_logFile_Click();
        const QString document = opening(QStringLiteral("Tarsino on PC12 [10.0.0.7]"), f.readings) +
                                 HeaderRow + QStringLiteral("</table><HR color='navy'>\r\n\r\n");
        QCOMPARE(readFile(f.reportPath()), document.toLatin1());
        QCOMPARE(f.toolkit.messages.size(), 2u);
    }

    void failedWriteKeepsOldReportAndSaysSo() {
        ReportFixture f;
        f.page->btn_logFile_Click();
        const QByteArray old = readFile(f.reportPath());
        f.toolkit.messages.clear();

        // A report larger than this process may write.
        std::vector<std::pair<std::u16string, std::string>> many;
        for (int i = 0; i < 200; ++i)
            many.push_back({u"host-" + std::u16string(1, char16_t(u'a' + i % 26)), ""});
        f.browser.addCall(status::Success, many, 200);
        f.page->CmdNetDetect_Click();
        {
            FileSizeLimit limit(static_cast<rlim_t>(old.size() + 100));
            f.page->btn_logFile_Click();
        }
        QCOMPARE(readFile(f.reportPath()), old);
        QCOMPARE(f.folderEntries(), QStringList({"Tarsino.htm"}));
        QCOMPARE(f.toolkit.messages.size(), 1u);
        const auto& box = f.toolkit.messages[0];
        QVERIFY2(box.text.startsWith(QStringLiteral("Impossibile scrivere il file Html Log:\r\n") +
                                     f.reportPath() + QStringLiteral("\r\n")),
                 qPrintable(box.text));
        QVERIFY(box.text.size() > box.text.lastIndexOf('\n') + 1);  // a reason follows the path
        QCOMPARE(box.icon, ui::MessageIcon::Exclamation);
        QCOMPARE(box.title, QString("Sinotar"));
    }

    void reportNameThatIsALinkIsRefused_data() {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("link to an existing file") << true;
        QTest::newRow("dangling link") << false;
    }

    void reportNameThatIsALinkIsRefused() {
        QFETCH(bool, targetExists);
        ReportFixture f;
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("precious");
        if (targetExists) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("kept as it is\n");
        }
        QVERIFY(QFile::link(target, f.reportPath()));
        f.page->btn_logFile_Click();

        // The link's target is neither written nor made, the link stays, and
        // the report goes nowhere else either.
        if (targetExists)
            QCOMPARE(readFile(target), QByteArray("kept as it is\n"));
        else
            QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(QFileInfo(f.reportPath()).symLinkTarget(), target);
        QCOMPARE(f.folderEntries(), QStringList({"Tarsino.htm"}));
        QVERIFY(!QFileInfo::exists(ReportFixture::dataReportPath()));
        QCOMPARE(f.toolkit.messages.size(), 1u);
        const auto& box = f.toolkit.messages[0];
        QVERIFY2(box.text.startsWith(QStringLiteral("Impossibile scrivere il file Html Log:\r\n") +
                                     f.reportPath() + QStringLiteral("\r\n")),
                 qPrintable(box.text));
        QCOMPARE(box.icon, ui::MessageIcon::Exclamation);
        QCOMPARE(box.title, QString("Sinotar"));
    }

    void programFolderNotTheUsersOwnSendsReportToDataFolder_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("otherOwner");
        QTest::newRow("writable by others") << 0777 << false;
        QTest::newRow("writable by others, sticky") << 01777 << false;
        QTest::newRow("writable by the group") << 0770 << false;
        QTest::newRow("another user's") << 0755 << true;
    }

    void programFolderNotTheUsersOwnSendsReportToDataFolder() {
        QFETCH(int, mode);
        QFETCH(bool, otherOwner);
        if (otherOwner && ::geteuid() != 0)
            TARSINO_CANNOT_RUN("needs root to give the folder to another user");
        ReportFixture f;
        const QByteArray folder = QFile::encodeName(f.folder.path());
        QCOMPARE(::chmod(folder.constData(), static_cast<mode_t>(mode)), 0);
        if (otherOwner) QCOMPARE(::chown(folder.constData(), 65534, 65534), 0);
        f.page->btn_logFile_Click();

        QCOMPARE(f.folderEntries(), QStringList());
        QVERIFY(readFile(ReportFixture::dataReportPath()).startsWith("<html><head><title>"));
        QCOMPARE(f.toolkit.messages.size(), 1u);
        QCOMPARE(f.toolkit.messages[0].text,
                 QStringLiteral("Html Log File creato!\r\n") + ReportFixture::dataReportPath());
        QCOMPARE(f.toolkit.messages[0].icon, ui::MessageIcon::Information);
        QCOMPARE(::chown(folder.constData(), ::geteuid(), ::getegid()), 0);  // so it can be removed
    }

    void confirmationShowsTheRealPath() {
        ReportFixture f;
        QVERIFY(QDir(f.folder.path()).mkdir("real"));
        QVERIFY(QFile::link(f.folder.filePath("real"), f.folder.filePath("alias")));
        f.environment.folder = f.folder.filePath("alias");
        f.page->btn_logFile_Click();
        const QString real = f.folder.filePath("real/Tarsino.htm");
        QVERIFY(readFile(real).startsWith("<html><head><title>"));
        QCOMPARE(f.toolkit.messages.size(), 1u);
        QCOMPARE(f.toolkit.messages[0].text, QStringLiteral("Html Log File creato!\r\n") + real);
    }

    void systemFoldersTable() {
        for (const char* system : {"/", "/usr", "/usr/bin", "/usr/local/bin", "/bin", "/sbin",
                                   "/lib/x86_64-linux-gnu", "/opt/tarsino", "/etc", "/var/lib/x"})
            QVERIFY2(isSystemFolder(system), system);
        for (const char* own : {"/home/rossi/tarsino", "/root/build", "/tmp/x", "/usr2", "/optics"})
            QVERIFY2(!isSystemFolder(own), own);
    }

    void unwritableApplicationFolderFallsBackToDataFolder() {
        ReportFixture f;
        QVERIFY(!f.folderThatIsAFile("program").isEmpty());
        f.page->btn_logFile_Click();

        const QString expected = ReportFixture::dataReportPath();
        QVERIFY(expected.startsWith(f.dataHome.path()));
        QVERIFY(readFile(expected).startsWith("<html><head><title>"));
        QCOMPARE(f.toolkit.messages.size(), 1u);
        QCOMPARE(f.toolkit.messages[0].text,
                 QStringLiteral("Html Log File creato!\r\n") + expected);
        QCOMPARE(f.toolkit.messages[0].icon, ui::MessageIcon::Information);
    }

    void nowhereToWriteShowsFailureAndNoSuccess() {
        ReportFixture f;
        const QString blocker = f.folderThatIsAFile("blocker");
        QVERIFY(!blocker.isEmpty());
        qputenv("XDG_DATA_HOME", (blocker + QStringLiteral("/share")).toLocal8Bit());
        f.page->btn_logFile_Click();
        QCOMPARE(f.toolkit.messages.size(), 1u);
        QVERIFY2(f.toolkit.messages[0].text.startsWith(
                     QStringLiteral("Impossibile scrivere il file Html Log:\r\n") + blocker +
                     QStringLiteral("/share/")),
                 qPrintable(f.toolkit.messages[0].text));
        QCOMPARE(f.toolkit.messages[0].icon, ui::MessageIcon::Exclamation);
        // The text was still built for the page.
        QVERIFY(f.Txt_hosts->text().startsWith(QStringLiteral("<html>")));
    }
};

QTEST_MAIN(HostReportTest)
#include "host_report_test.moc"
