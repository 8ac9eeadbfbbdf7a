// The pure parts of finding the domain's computers: which domain, which
// controllers in which order, and which directory entries become hosts.

#include <QtTest>

#include "dns_answer.h"
#include "platform/discovery/computer_domain.h"
#include "platform/discovery/directory_computer.h"
#include "platform/discovery/domain_controllers.h"

using namespace platform::discovery;

namespace {

QStringList hostsOf(const std::vector<DomainController>& controllers) {
    QStringList hosts;
    for (const DomainController& controller : controllers)
        hosts << controller.host + ':' + QString::number(controller.port);
    return hosts;
}

QStringList orderedWith(const QList<SrvAnswer>& answers, const RandomUpTo& random) {
    const QByteArray message = srvAnswerMessage(answers);
    return hostsOf(domainControllersFromAnswer(
        reinterpret_cast<const unsigned char*>(message.constData()), int(message.size()), random));
}

const RandomUpTo lowest = [](std::uint32_t) { return 0u; };
const RandomUpTo highest = [](std::uint32_t upTo) { return upTo; };

}  // namespace

class DomainDirectoryTest : public QObject {
    Q_OBJECT

private slots:
    void domainIsSambasRealmElseKerberosDefaultRealm_data() {
        QTest::addColumn<QString>("smbConf");
        QTest::addColumn<QString>("kerberosRealm");
        QTest::addColumn<QString>("domain");
        QTest::newRow("realm") << "[global]\n realm = CORP.TARSINO.TEST\n"
                               << "OTHER.TEST"
                               << "corp.tarsino.test";
        QTest::newRow("Kerberos only") << ""
                                       << "CORP.TARSINO.TEST"
                                       << "corp.tarsino.test";
        QTest::newRow("realm of another section") << "[share]\nrealm = A.TEST\n"
                                                  << ""
                                                  << "";
        QTest::newRow("workgroup alone") << "[global]\nworkgroup = CORP\n"
                                         << ""
                                         << "";
        QTest::newRow("neither") << ""
                                 << ""
                                 << "";
        QTest::newRow("single label") << ""
                                      << "CORP"
                                      << "";
        QTest::newRow("blank inside") << ""
                                      << "CORP TEST.X"
                                      << "";
        QTest::newRow("control character") << ""
                                           << "CORP\n.TEST"
                                           << "";
        QTest::newRow("empty label") << ""
                                     << "CORP..TEST"
                                     << "";
        QTest::newRow("hyphen at a label's end") << ""
                                                 << "CORP-.TEST"
                                                 << "";
        QTest::newRow("label too long") << "" << QString(64, 'a') + ".test"
                                        << "";
        QTest::newRow("non-ASCII") << "" << QString::fromUtf8("sedè.test") << "";
    }

    void domainIsSambasRealmElseKerberosDefaultRealm() {
        QFETCH(QString, smbConf);
        QFETCH(QString, kerberosRealm);
        QFETCH(QString, domain);
        QCOMPARE(computerDomain(smbConf, kerberosRealm), domain);
    }

    // The realm libkrb5 reads is the one KRB5_CONFIG names.
    void kerberosRealmFollowsKrb5Config() {
        QTemporaryFile config;
        QVERIFY(config.open());
        config.write("[libdefaults]\n default_realm = CORP.TARSINO.TEST\n");
        config.close();
        const QByteArray saved = qgetenv("KRB5_CONFIG");
        qputenv("KRB5_CONFIG", config.fileName().toLocal8Bit());
        const QString realm = kerberosDefaultRealm();
        const QString domain = readComputerDomain(QStringLiteral("/nonexistent/smb.conf"));
        if (saved.isNull())
            qunsetenv("KRB5_CONFIG");
        else
            qputenv("KRB5_CONFIG", saved);
        QCOMPARE(realm, "CORP.TARSINO.TEST");
        QCOMPARE(domain, "corp.tarsino.test");
    }

    void controllersComeByPriorityThenWeight_data() {
        QTest::addColumn<QList<SrvAnswer>>("answers");
        QTest::addColumn<bool>("drawHighest");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("priority first")
            << QList<SrvAnswer>{{20, 100, 389, "dc2.corp.test"}, {10, 0, 389, "dc1.corp.test"}}
            << false << QStringList{"dc1.corp.test:389", "dc2.corp.test:389"};
        // Weight 0 stands first, so only a draw of 0 picks it; a draw at the
        // top of the range picks the last positive weight each time.
        QTest::newRow("weights, highest draw")
            << QList<SrvAnswer>{{0, 10, 389, "a.corp.test"},
                                {0, 0, 389, "b.corp.test"},
                                {0, 30, 389, "c.corp.test"}}
            << true << QStringList{"c.corp.test:389", "a.corp.test:389", "b.corp.test:389"};
        QTest::newRow("weights, lowest draw")
            << QList<SrvAnswer>{{0, 10, 389, "a.corp.test"},
                                {0, 0, 389, "b.corp.test"},
                                {0, 30, 389, "c.corp.test"}}
            << false << QStringList{"b.corp.test:389", "a.corp.test:389", "c.corp.test:389"};
        QTest::newRow("no service") << QList<SrvAnswer>{{0, 0, 389, "."}} << false << QStringList{};
        QTest::newRow("other record types skipped")
            << QList<SrvAnswer>{{0, 0, 389, "x.corp.test", 1}, {0, 0, 389, "dc1.corp.test"}}
            << false << QStringList{"dc1.corp.test:389"};
        QTest::newRow("port 0 skipped")
            << QList<SrvAnswer>{{0, 0, 0, "dc1.corp.test"}} << false << QStringList{};
        QTest::newRow("repeats once")
            << QList<SrvAnswer>{{0, 0, 389, "DC1.corp.test"}, {5, 0, 389, "dc1.corp.test"}} << false
            << QStringList{"dc1.corp.test:389"};
        QTest::newRow("bad name skipped")
            << QList<SrvAnswer>{{0, 0, 389, "dc 1.corp.test"}, {0, 0, 636, "dc1.corp.test"}}
            << false << QStringList{"dc1.corp.test:636"};
    }

    void controllersComeByPriorityThenWeight() {
        QFETCH(QList<SrvAnswer>, answers);
        QFETCH(bool, drawHighest);
        QFETCH(QStringList, order);
        QCOMPARE(orderedWith(answers, drawHighest ? highest : lowest), order);
    }

    void malformedAnswersGiveNoController() {
        const QByteArray whole =
            srvAnswerMessage({{0, 0, 389, "dc1.corp.test"}, {0, 0, 389, "dc2.corp.test"}});
        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            const QByteArray part = whole.left(cut);
            const auto found = domainControllersFromAnswer(
                reinterpret_cast<const unsigned char*>(part.constData()), int(part.size()), lowest);
            QVERIFY2(found.size() <= 1, qPrintable(QString::number(cut)));
        }
        QByteArray many;
        QList<SrvAnswer> answers;
        for (int i = 0; i < 100; ++i)
            answers.append({0, 1, 389, "dc" + QByteArray::number(i) + ".corp.test"});
        many = srvAnswerMessage(answers);
        QCOMPARE(
            domainControllersFromAnswer(reinterpret_cast<const unsigned char*>(many.constData()),
                                        int(many.size()), lowest)
                .size(),
            MaxDomainControllers);
    }

    void entriesBecomeComputersOrAreSkipped_data() {
        using Values = QList<QByteArray>;
        QTest::addColumn<Values>("cn");
        QTest::addColumn<Values>("dnsHostName");
        QTest::addColumn<QString>("name");  // empty: skipped
        QTest::addColumn<QString>("dns");
        QTest::newRow("joined computer") << Values{"SRV01"} << Values{"srv01.corp.test"} << "SRV01"
                                         << "srv01.corp.test";
        QTest::newRow("no DNS name") << Values{"SRV02"} << Values{} << "SRV02"
                                     << "";
        QTest::newRow("UTF-8 name")
            << Values{"SEDE-\xc3\xa8"} << Values{} << QString::fromUtf8("SEDE-è") << "";
        QTest::newRow("no cn") << Values{} << Values{"srv01.corp.test"} << ""
                               << "";
        QTest::newRow("two cn") << Values{"A", "B"} << Values{} << ""
                                << "";
        QTest::newRow("empty cn") << Values{""} << Values{} << ""
                                  << "";
        QTest::newRow("control character") << Values{"SRV\n01"} << Values{} << ""
                                           << "";
        QTest::newRow("embedded NUL") << Values{QByteArray("SRV\0X", 5)} << Values{} << ""
                                      << "";
        QTest::newRow("invalid UTF-8") << Values{"SRV\xff"} << Values{} << ""
                                       << "";
        QTest::newRow("longest cn")
            << Values{QByteArray(64, 'A')} << Values{} << QString(64, 'A') << "";
        QTest::newRow("cn too long") << Values{QByteArray(65, 'A')} << Values{} << ""
                                     << "";
        QTest::newRow("huge cn") << Values{QByteArray(1 << 20, 'A')} << Values{} << ""
                                 << "";
        QTest::newRow("two DNS names")
            << Values{"SRV01"} << Values{"a.corp.test", "b.corp.test"} << ""
            << "";
        QTest::newRow("DNS name with blank") << Values{"SRV01"} << Values{"srv 01.corp.test"} << ""
                                             << "";
        QTest::newRow("DNS name too long")
            << Values{"SRV01"} << Values{(QByteArray(60, 'a') + '.').repeated(5) + "test"} << ""
            << "";
    }

    void entriesBecomeComputersOrAreSkipped() {
        QFETCH(QList<QByteArray>, cn);
        QFETCH(QList<QByteArray>, dnsHostName);
        QFETCH(QString, name);
        QFETCH(QString, dns);
        const std::optional<DirectoryComputer> computer = computerFromEntry(cn, dnsHostName);
        QCOMPARE(computer.has_value(), !name.isEmpty());
        if (computer) QCOMPARE(*computer, (DirectoryComputer{name, dns}));
    }
};

QTEST_APPLESS_MAIN(DomainDirectoryTest)
#include "domain_directory_test.moc"
