#include "tools/ping/ping_page.h"

#include <QLineEdit>
#include <QPushButton>

#include <cstring>

#include "net/address_helpers.h"
#include "net/echo.h"
#include "net/echo_reply.h"
#include "platform/byte_order.h"

namespace ping {

PingPage::PingPage(const PingControls& controls, platform::SocketApi& sockets,
                   platform::IcmpApi& icmp, ui::Toolkit& toolkit, QObject* parent)
    : QObject(parent), controls_(controls), sockets_(sockets), icmp_(icmp), toolkit_(toolkit) {
    connect(controls_.Cmd_ping, &QPushButton::clicked, this, &PingPage::Cmd_ping_Click);
    connect(controls_.bt_clear_ping, &QPushButton::clicked, this, &PingPage::bt_clear_ping_Click);
}

QString PingPage::signedAddressText(std::uint32_t networkOrderAddress) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &networkOrderAddress, 4);
    return QString::number(static_cast<std::int32_t>(platform::byte_order::loadLittle32(bytes)));
}

void PingPage::Cmd_ping_Click() {
    if (!Tracert_Module::SocketsInitialize(sockets_)) {
        toolkit_.messageBox(QStringLiteral("Windows Sockets for 32 bit Windows ") +
                            QStringLiteral("environments is not successfully responding."));
        return;
    }

    net::EchoReply reply;
    const QString address = controls_.Text6->text();
    const QString data = controls_.Text7->text();
    const std::int32_t status = PingModule::SendEcho(sockets_, icmp_, address, data, reply);

    const auto& boxes = controls_.Text5;
    boxes[0]->setText(PingModule::EchoStatusText(status));
    boxes[1]->setText(signedAddressText(reply.Address));
    boxes[2]->setText(QString::number(reply.RoundTripTime) + QStringLiteral(" ms"));
    boxes[3]->setText(QString::number(reply.DataSize) + QStringLiteral(" bytes"));
    if (reply.DataArea[0] != '\0') {
        const auto length = ::strnlen(reply.DataArea.data(), reply.DataArea.size());
        boxes[4]->setText(
            QString::fromLocal8Bit(reply.DataArea.data(), static_cast<qsizetype>(length)));
    }
    boxes[5]->setText(QString::number(static_cast<std::int32_t>(reply.DataPointer)));

    Tracert_Module::SocketsCleanup(sockets_, toolkit_);
}

void PingPage::bt_clear_ping_Click() {
    for (QLineEdit* box : controls_.Text5) box->setText(QString());
}

}  // namespace ping
