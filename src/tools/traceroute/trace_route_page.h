#pragma once
// The trace-route page: a run sends echoes with a growing time to live and
// writes a line for every hop that answers, until the target itself answers.
// The window handles its events once after every probe.

#include <QObject>
#include <QString>

#include <cstdint>

#include "net/echo_reply.h"
#include "platform/icmp_api.h"

class FormMain;

class TraceRoutePage : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t ProbeTimeoutMs = 2400;
    static constexpr std::uint32_t ReplyAreaSize = EchoReply::ImageSize + 7;
    static constexpr int MaximumTtl = 255;

    explicit TraceRoutePage(FormMain& form);

    void Command1_Click();
    void Command2_Click();
    void TraceRT();

private:
    // 0 when a node answered (its line is written), 1 when none did.
    std::int16_t ProbeHop(platform::IcmpHandle handle, std::uint32_t destination,
                          std::int32_t packetSize, QString& hopAddress, EchoReply& reply,
                          const platform::EchoOptions& options);
    void AppendHopLine(std::uint8_t ttl, std::int32_t roundTripTime, const QString& hopAddress);

    FormMain& form_;
};
