#include "tools/ping/ping_page.h"

#include <QLineEdit>
#include <QPushButton>

#include <cstring>

#include "net/echo_reply.h"
#include "net/ping_module.h"
#include "net/tracert_module.h"
#include "shell/form_main.h"

PingPage::PingPage(FormMain& form) : QObject(&form), form_(form) {
    connect(form_.Cmd_ping, &QPushButton::clicked, this, &PingPage::Cmd_ping_Click);
    connect(form_.bt_clear_ping, &QPushButton::clicked, this, &PingPage::bt_clear_ping_Click);
}

QString PingPage::SignedAddressText(std::uint32_t networkOrderAddress) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &networkOrderAddress, 4);
    const auto value = static_cast<std::int32_t>(
        bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24));
    return QString::number(value);
}

void PingPage::Cmd_ping_Click() {
    shell::Services& services = form_.services();
    if (!Tracert_Module::SocketsInitialize(services.sockets)) {
        services.toolkit.messageBox(QStringLiteral("Windows Sockets for 32 bit Windows ") +
                                    QStringLiteral("environments is not successfully responding."));
        return;
    }

    EchoReply reply;
    const QString address = form_.Text6->text();
    const QString data = form_.Text7->text();
    const std::int32_t status = PingModule::SendEcho(services.sockets, services.icmp, address, data, reply);

    auto& boxes = form_.Text5;
    boxes[0]->setText(PingModule::EchoStatusText(status));
    boxes[1]->setText(SignedAddressText(reply.Address));
    boxes[2]->setText(QString::number(reply.RoundTripTime) + QStringLiteral(" ms"));
    boxes[3]->setText(QString::number(reply.DataSize) + QStringLiteral(" bytes"));
    if (reply.DataArea[0] != '\0') {
        const auto length = ::strnlen(reply.DataArea.data(), reply.DataArea.size());
        boxes[4]->setText(QString::fromLocal8Bit(reply.DataArea.data(), static_cast<qsizetype>(length)));
    }
    boxes[5]->setText(QString::number(static_cast<std::int32_t>(reply.DataPointer)));

    Tracert_Module::SocketsCleanup(services.sockets, services.toolkit);
}

void PingPage::bt_clear_ping_Click() {
    for (QLineEdit* box : form_.Text5) box->setText(QString());
}
