#pragma once
// The trace-route page: a run sends echoes with a growing time to live and
// writes a line for every hop that answers, until the target itself answers.
// The window handles its events once after every probe.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

#include "net/echo_reply.h"
#include "platform/icmp_api.h"
#include "platform/socket_api.h"
#include "ui/toolkit.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ui {
class MultiLineTextBox;
}

namespace traceroute {

// The page's controls, all owned by the main window.
struct TraceRouteControls {
    QComboBox* Combo1;  // the remote host as typed
    QPushButton* Command1;
    QLineEdit* Text1;  // the target's address
    QPushButton* Command2;
    QLineEdit* Text2;             // packets sent
    QLineEdit* Text3;             // bytes per packet
    ui::MultiLineTextBox* Text4;  // the hop lines
    QListWidget* List1;           // hidden; one entry per time to live tried
};

// What a run asks of the rest of the window, at the moment it needs it.
struct TraceRouteWindow {
    // The target when Combo1 holds only blanks (the host page's domain).
    std::function<QString()> fallbackTarget;
    // True once the user has closed the window: the run then ends at its next
    // step without touching the controls.
    std::function<bool()> isClosed;
};

class TraceRoutePage : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t ProbeTimeoutMs = 2400;
    static constexpr std::uint32_t ReplyAreaSize = net::EchoReply::ImageSize + 7;
    static constexpr int MaximumTtl = 255;

    TraceRoutePage(const TraceRouteControls& controls, TraceRouteWindow window,
                   platform::SocketApi& sockets, platform::IcmpApi& icmp, ui::Toolkit& toolkit,
                   QObject* parent = nullptr);

    void Command1_Click();
    void Command2_Click();
    void TraceRT();

private:
    // 0 when a node answered (its line is written), 1 when none did.
    std::int16_t ProbeHop(platform::IcmpHandle handle, std::uint32_t destination,
                          std::int32_t packetSize, QString& hopAddress, net::EchoReply& reply,
                          const platform::icmp::EchoOptions& options);
    void AppendHopLine(std::uint8_t ttl, std::int32_t roundTripTime, const QString& hopAddress);

    TraceRouteControls controls_;
    TraceRouteWindow window_;
    platform::SocketApi& sockets_;
    platform::IcmpApi& icmp_;
    ui::Toolkit& toolkit_;
};

}  // namespace traceroute
