// The echo facility's side of the ICMP helper, against stand-in helpers
// that exit, hang, or answer wrongly: each costs at most one echo, gives the
// status the window shows for it, and leaves no process behind. Then the
// real helper, which leaves at the first malformed request without answering.

#include <QtTest>

#include <unistd.h>

#include <arpa/inet.h>
#include <sys/wait.h>

#include "cannot_run.h"
#include "platform/icmp/icmp_helper_protocol.h"
#include "platform/icmp/ip_status.h"
#include "platform/icmp_api.h"
#include "platform/icmp_helper_client.h"

using platform::IcmpHelperClient;
namespace protocol = platform::icmp::helper;
namespace ip_status = platform::icmp::ip_status;

namespace {

const QByteArray WhoAreYou("who are you");

std::span<const std::uint8_t> bytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())};
}

// A shell's printf argument that writes `frame` exactly.
QByteArray printable(const std::vector<std::uint8_t>& frame) {
    QByteArray text;
    for (std::uint8_t byte : frame)
        text += QByteArray("\\") + QByteArray::number(byte, 8).rightJustified(3, '0');
    return text;
}

QByteArray ready(bool socketOpen) {
    return printable(protocol::encodeReady(socketOpen));
}

QByteArray answer(std::int32_t status, const QByteArray& echoed) {
    platform::icmp::EchoOutcome outcome;
    outcome.status = status;
    outcome.roundTripMs = 3;
    platform::icmp::packet::Answer reply;
    reply.status = status;
    reply.from = ::inet_addr("127.0.0.1");
    reply.timeToLive = 64;
    reply.echoedData = bytes(echoed);
    outcome.answer = reply;
    std::vector<std::uint8_t> frame;
    protocol::encodeAnswer(frame, outcome);
    return printable(frame);
}

// One whole frame from a real helper, or what came before it stopped.
QByteArray readFrame(QProcess& helper) {
    const auto wanted = [&] {
        const QByteArray head = helper.peek(2);
        return head.size() < 2 ? 2 : 2 + ((std::uint8_t(head[0]) << 8) | std::uint8_t(head[1]));
    };
    while (helper.bytesAvailable() < wanted() && helper.waitForReadyRead(5000)) {
    }
    return helper.read(wanted());
}

// No child of this test is left running or unreaped.
bool noChildLeft() {
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

}  // namespace

class IcmpHelperClientTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    // A stand-in helper: a shell script (run with an empty environment, so
    // every program is named by its full path).
    std::string helper(const QString& name, const QByteArray& script) {
        const QString path = folder_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return {};
        file.write("#!/bin/sh\n" + script + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path.toStdString();
    }

private slots:
    void initTestCase() { QVERIFY(folder_.isValid()); }

    void helpersThatNeverBecomeReadyGiveNoClient_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("exits at once") << QByteArray("exit 0");
        QTest::newRow("says nothing") << QByteArray("exec /bin/sleep 30");
        QTest::newRow("holds no socket") << "printf '" + ready(false) + "'; exec /bin/sleep 30";
        QTest::newRow("says something else")
            << "printf '" + answer(0, "") + "'; exec /bin/sleep 30";
        QTest::newRow("claims a long frame")
            << QByteArray("printf '\\377\\377R\\001'; exec /bin/sleep 30");
    }
    void helpersThatNeverBecomeReadyGiveNoClient() {
        QFETCH(QByteArray, script);
        QVERIFY(!IcmpHelperClient::start(helper(QTest::currentDataTag(), script)));
        QVERIFY(noChildLeft());
    }

    void missingHelperGivesNoClient() {
        QVERIFY(!IcmpHelperClient::start(folder_.filePath("nowhere").toStdString()));
        QVERIFY(noChildLeft());
    }

    void answersArePassedOnAsTheHelperGaveThem() {
        auto client = IcmpHelperClient::start(helper(
            "answers",
            "printf '" + ready(true) + answer(0, WhoAreYou) + "'; exec /bin/cat >/dev/null"));
        QVERIFY(client);
        const auto outcome = client->echo(::inet_addr("127.0.0.1"), bytes(WhoAreYou), 0,
                                          std::chrono::milliseconds(500));
        QCOMPARE(outcome.status, 0);
        QVERIFY(outcome.answer);
        QCOMPARE(outcome.answer->from, ::inet_addr("127.0.0.1"));
        QCOMPARE(outcome.answer->timeToLive, std::uint8_t{64});
        QCOMPARE(outcome.roundTripMs, 3u);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(outcome.answer->echoedData.data()),
                            qsizetype(outcome.answer->echoedData.size())),
                 WhoAreYou);
        client.reset();
        QVERIFY(noChildLeft());
    }

    void brokenHelpersCostOneEcho_data() {
        QTest::addColumn<QByteArray>("afterReady");
        QTest::addColumn<int>("status");
        QTest::newRow("dies at the request")
            << QByteArray("exec /usr/bin/head -c 1 >/dev/null") << 11050;
        QTest::newRow("hangs") << QByteArray("exec /bin/sleep 30") << 11010;
        QTest::newRow("claims a long answer")
            << QByteArray("printf '\\377\\377A'; exec /bin/sleep 30") << 11050;
        QTest::newRow("echoes more than was sent")
            << "printf '" + answer(0, WhoAreYou + "!") + "'; exec /bin/sleep 30" << 11050;
        QTest::newRow("reports with data")
            << "printf '" + answer(11013, "x") + "'; exec /bin/sleep 30" << 11050;
    }
    void brokenHelpersCostOneEcho() {
        QFETCH(QByteArray, afterReady);
        QFETCH(int, status);
        auto client = IcmpHelperClient::start(
            helper(QTest::currentDataTag(), "printf '" + ready(true) + "'; " + afterReady));
        QVERIFY(client);
        const auto first = client->echo(::inet_addr("127.0.0.1"), bytes(WhoAreYou), 0,
                                        std::chrono::milliseconds(200));
        QCOMPARE(first.status, status);
        QVERIFY(!first.answer);
        // Ended at once, not asked again.
        QCOMPARE(client->processId(), pid_t{0});
        QVERIFY(noChildLeft());
        const auto second = client->echo(::inet_addr("127.0.0.1"), bytes(WhoAreYou), 0,
                                         std::chrono::milliseconds(200));
        QCOMPARE(second.status, ip_status::GeneralFailure);
    }

    void realHelperLeavesAtAMalformedRequest_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("to no address") << QByteArray(
            "\x00\x0b"
            "E\x00\x00\x00\x00\x00\x00\x01\xf4\x00\x00",
            13);
        QTest::newRow("time to live 0") << QByteArray(
            "\x00\x0b"
            "E\x7f\x00\x00\x01\x01\x00\x01\xf4\x00\x00",
            13);
        QTest::newRow("trailing byte") << QByteArray(
            "\x00\x0c"
            "E\x7f\x00\x00\x01\x00\x00\x01\xf4\x00\x00!",
            14);
        QTest::newRow("longer than any request") << QByteArray(
            "\xff\xff"
            "E",
            3);
    }
    void realHelperLeavesAtAMalformedRequest() {
        QFETCH(QByteArray, request);
        QProcess helper;
        helper.setProcessEnvironment(QProcessEnvironment());
        helper.start(QCoreApplication::applicationDirPath() + "/tarsino-icmp");
        QVERIFY(helper.waitForStarted());
        if (protocol::parseReady(bytes(readFrame(helper))) != true) {
            helper.kill();
            helper.waitForFinished();
            // Root's helper always gets its raw socket: then silence is the helper's fault.
            QVERIFY2(::geteuid() != 0, "the helper, run by root, did not report ready");
            TARSINO_CANNOT_RUN(
                "the helper may open no raw socket here (needs root or cap_net_raw on it)");
        }
        // A good request first, so that the refusal is not that of a helper that reads nothing.
        helper.write(
            QByteArray("\x00\x0e"
                       "E\x7f\x00\x00\x01\x00\x00\x01\xf4\x00\x03"
                       "abc",
                       16));
        const QByteArray answered = readFrame(helper);
        QVERIFY(protocol::parseAnswer(bytes(answered), 3));
        helper.write(request);
        helper.closeWriteChannel();
        QVERIFY(helper.waitForFinished(5000));
        QCOMPARE(helper.exitCode(), 2);
        QCOMPARE(helper.readAll(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(IcmpHelperClientTest)
#include "icmp_helper_client_test.moc"
