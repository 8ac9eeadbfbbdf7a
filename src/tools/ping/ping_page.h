#pragma once
// The ping page: one echo with the user's data text to a dotted address, its
// outcome in six result boxes.

#include <QObject>
#include <QString>

#include <cstdint>

class FormMain;

class PingPage : public QObject {
    Q_OBJECT

public:
    explicit PingPage(FormMain& form);

    void Cmd_ping_Click();
    void bt_clear_ping_Click();

    // The four address bytes as stored, read as a little-endian signed number
    // (127.0.0.1 gives 16777343).
    static QString SignedAddressText(std::uint32_t networkOrderAddress);

private:
    FormMain& form_;
};
