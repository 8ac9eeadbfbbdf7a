// Socket session, address helpers and local identity: the real resolver for
// the conversions, a fake sockets service for the failures users see.

#include <QtTest>

#include <arpa/inet.h>

#include "fake_sockets.h"
#include "fake_toolkit.h"
#include "net/address_helpers.h"
#include "net/local_identity.h"
#include "platform/linux_sockets.h"

using testing_support::FakeSockets;
using testing_support::FakeToolkit;

class AddressHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void realResolverGivesFirstIpv4AddressOrEmptyText() {
        platform::LinuxSockets sockets;
        FakeToolkit toolkit;
        QVERIFY(Tracert_Module::SocketsInitialize(sockets));
        QCOMPARE(Tracert_Module::ResolveHostToIP(sockets, "localhost"), QString("127.0.0.1"));
        QCOMPARE(Tracert_Module::ResolveHostToIP(sockets, "127.0.0.9"), QString("127.0.0.9"));
        QCOMPARE(Tracert_Module::ResolveHostToIP(sockets, "no-such-host.invalid"), QString());
        QCOMPARE(Tracert_Module::ResolveHostToIP(sockets, ""), QString());
        Tracert_Module::SocketsCleanup(sockets, toolkit);
        QVERIFY(toolkit.messages.empty());
    }

    void addressConversionsKeepNetworkByteOrder() {
        platform::LinuxSockets sockets;
        const std::uint32_t address = ::inet_addr("10.0.0.200");
        QCOMPARE(Tracert_Module::AddressToText(sockets, address), QString("10.0.0.200"));
        QCOMPARE(sockets.inet_addr("255.255.255.255"), 0xffffffffu);
        QCOMPARE(sockets.inet_addr("1.2.3.4.5"), 0xffffffffu);
        QCOMPARE(sockets.inet_addr("host.example"), 0xffffffffu);
        QCOMPARE(Tracert_Module::AnsiStringFromPointer(""), QString());
        QCOMPARE(Tracert_Module::AnsiStringFromPointer("caf\xc3\xa9"),
                 QString::fromUtf8("caf\xc3\xa9"));
    }

    void cleanupWithoutSessionWarnsOnce() {
        platform::LinuxSockets sockets;
        FakeToolkit toolkit;
        Tracert_Module::SocketsCleanup(sockets, toolkit);
        QCOMPARE(toolkit.messages.size(), 1u);
        QCOMPARE(toolkit.messages[0].text,
                 QString("Windows Sockets error occurred during Cleanup."));
        QCOMPARE(toolkit.messages[0].icon, ui::MessageIcon::Exclamation);
        QCOMPARE(toolkit.messages[0].title, QString("Tarsino"));
        QCOMPARE(sockets.WSAGetLastError(), platform::socket_error::NotInitialised);
    }

    void realHostNameTooLongForBufferIsFault() {
        platform::LinuxSockets sockets;
        char tiny[1] = {'x'};
        QCOMPARE(sockets.gethostname(tiny, 1), -1);
        QCOMPARE(sockets.WSAGetLastError(), platform::socket_error::Fault);
        char roomy[256] = {};
        QCOMPARE(sockets.gethostname(roomy, 256), 0);
        QVERIFY(std::strlen(roomy) > 0);
    }

    void localIdentityFromFirstAddressBytes() {
        FakeSockets sockets;
        FakeToolkit toolkit;
        sockets.addHost("pc12", {{10, 0, 0, 200}, {192, 168, 1, 1}});
        QCOMPARE(IP_Module::GetLocalHostName(sockets, toolkit), QString("pc12"));
        QCOMPARE(IP_Module::GetLocalIP(sockets, toolkit), QString("10.0.0.200"));
        QVERIFY(toolkit.messages.empty());
        QCOMPARE(sockets.openSessions, 0);
        QCOMPARE(sockets.startups, 2);
    }

    void hostNameOfFullBufferLength() {
        FakeSockets sockets;
        FakeToolkit toolkit;
        sockets.hostName = std::string(255, 'h');
        QCOMPARE(IP_Module::GetLocalHostName(sockets, toolkit), QString(255, 'h'));
        sockets.hostName = std::string(256, 'h');
        QCOMPARE(IP_Module::GetLocalHostName(sockets, toolkit), QString());
        QCOMPARE(toolkit.messages.size(), 1u);
        QCOMPARE(toolkit.messages[0].text, QString("Windows Sockets error 10014 has occurred.  "
                                                   "Unable to successfully get Host Name."));
    }

    void hostNameFailureBoxesDifferByOneBlank() {
        FakeSockets sockets;
        FakeToolkit toolkit;
        sockets.hostNameFails = true;
        sockets.hostNameError = 10050;
        QCOMPARE(IP_Module::GetLocalHostName(sockets, toolkit), QString());
        QCOMPARE(IP_Module::GetLocalIP(sockets, toolkit), QString());
        QCOMPARE(toolkit.messages.size(), 2u);
        QCOMPARE(toolkit.messages[0].text, QString("Windows Sockets error 10050 has occurred.  "
                                                   "Unable to successfully get Host Name."));
        QCOMPARE(
            toolkit.messages[1].text,
            QString(
                "Windows Sockets error 10050 has occurred. Unable to successfully get Host Name."));
        for (const auto& message : toolkit.messages) {
            QCOMPARE(message.icon, ui::MessageIcon::None);
            QCOMPARE(message.title, QString("Tarsino"));
        }
        QCOMPARE(sockets.openSessions, 0);
    }

    void unresolvableLocalNameSaysSocketsNotResponding() {
        FakeSockets sockets;
        FakeToolkit toolkit;
        QCOMPARE(IP_Module::GetLocalIP(sockets, toolkit), QString());
        QCOMPARE(toolkit.messages.size(), 1u);
        QCOMPARE(
            toolkit.messages[0].text,
            QString("Windows Sockets are not responding. Unable to successfully get Host Name."));
        QCOMPARE(sockets.openSessions, 0);
    }

    void noSessionMeansEmptyTextsAndNoBox() {
        FakeSockets sockets;
        FakeToolkit toolkit;
        sockets.startFails = true;
        QCOMPARE(IP_Module::GetLocalHostName(sockets, toolkit), QString());
        QCOMPARE(IP_Module::GetLocalIP(sockets, toolkit), QString());
        QVERIFY(toolkit.messages.empty());
    }
};

QTEST_GUILESS_MAIN(AddressHelpersTest)
#include "address_helpers_test.moc"
