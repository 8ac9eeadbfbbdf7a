#pragma once
// The ping page: one echo with the user's data text to a dotted address, its
// outcome in six result boxes.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

#include "platform/icmp_api.h"
#include "platform/socket_api.h"
#include "ui/toolkit.h"

class QLineEdit;
class QPushButton;

namespace ping {

// The page's controls, all owned by the main window.
struct PingControls {
    QLineEdit* Text6;                 // the dotted address
    QLineEdit* Text7;                 // the data text
    std::array<QLineEdit*, 6> Text5;  // the outcome, one box per field
    QPushButton* bt_clear_ping;
    QPushButton* Cmd_ping;
};

class PingPage : public QObject {
    Q_OBJECT

public:
    PingPage(const PingControls& controls, platform::SocketApi& sockets, platform::IcmpApi& icmp,
             ui::Toolkit& toolkit, QObject* parent = nullptr);

    void Cmd_ping_Click();
    void bt_clear_ping_Click();

    // The four address bytes as stored, read as a little-endian signed number
    // (127.0.0.1 gives 16777343).
    static QString signedAddressText(std::uint32_t networkOrderAddress);

private:
    PingControls controls_;
    platform::SocketApi& sockets_;
    platform::IcmpApi& icmp_;
    ui::Toolkit& toolkit_;
};

}  // namespace ping
