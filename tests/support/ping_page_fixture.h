#pragma once
// The ping page on controls of its own, handed over as the window hands its
// page: tests reach the page without building the whole window.

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include <array>

#include "tools/ping/ping_page.h"

namespace testing_support {

struct PingPageFixture {
    QWidget window;
    QLineEdit* Text6 = new QLineEdit(&window);
    QLineEdit* Text7 = new QLineEdit(&window);
    std::array<QLineEdit*, 6> Text5{new QLineEdit(&window), new QLineEdit(&window),
                                    new QLineEdit(&window), new QLineEdit(&window),
                                    new QLineEdit(&window), new QLineEdit(&window)};
    QPushButton* bt_clear_ping = new QPushButton(QStringLiteral("&Annulla"), &window);
    QPushButton* Cmd_ping = new QPushButton(QStringLiteral("&Ping"), &window);
    ping::PingPage page;

    PingPageFixture(platform::SocketApi& sockets, platform::IcmpApi& icmp, ui::Toolkit& toolkit)
        : page({Text6, Text7, Text5, bt_clear_ping, Cmd_ping}, sockets, icmp, toolkit) {}

    // Clicks "&Ping" for `address` with `data`; returns the six boxes.
    QStringList ping(const QString& address, const QString& data = QStringLiteral("who are you")) {
        Text6->setText(address);
        Text7->setText(data);
        Cmd_ping->click();
        return boxes();
    }
    QStringList boxes() const {
        QStringList texts;
        for (const QLineEdit* box : Text5) texts << box->text();
        return texts;
    }
};

}  // namespace testing_support
