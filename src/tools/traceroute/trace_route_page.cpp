#include "tools/traceroute/trace_route_page.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <string>
#include <utility>

#include "net/address_helpers.h"
#include "net/echo.h"
#include "tools/traceroute/hop_line.h"
#include "tools/traceroute/packet_size.h"
#include "ui/multi_line_text_box.h"

namespace traceroute {

namespace {

const QString TraceTitle = QStringLiteral("SINOTAR");
const QString CrLf = QStringLiteral("\r\n");

bool isBlank(const QString& text) {
    for (const QChar c : text)
        if (c != QLatin1Char(' ')) return false;
    return true;
}

}  // namespace

TraceRoutePage::TraceRoutePage(const TraceRouteControls& controls, TraceRouteWindow window,
                               platform::SocketApi& sockets, platform::IcmpApi& icmp,
                               ui::Toolkit& toolkit, QObject* parent)
    : QObject(parent),
      controls_(controls),
      window_(std::move(window)),
      sockets_(sockets),
      icmp_(icmp),
      toolkit_(toolkit) {
    connect(controls_.Command1, &QPushButton::clicked, this, &TraceRoutePage::Command1_Click);
    connect(controls_.Command2, &QPushButton::clicked, this, &TraceRoutePage::Command2_Click);
}

void TraceRoutePage::Command1_Click() {
    controls_.Command1->setEnabled(false);
    TraceRT();
    if (!window_.isClosed()) controls_.Command1->setEnabled(true);
}

void TraceRoutePage::Command2_Click() {
    const auto answer = toolkit_.messageBox(
        QStringLiteral("Terminare l'operazione in corso?") + CrLf +
            QStringLiteral("(Tarsino verr\u00e0 terminato)"),
        ui::MessageButtons::YesNo, ui::MessageIcon::None, QStringLiteral("Sinotar"));
    if (answer == ui::MessageResult::Yes) toolkit_.endProgram();
}

void TraceRoutePage::TraceRT() {
    controls_.Text1->setText(QString());
    controls_.Text2->setText(QStringLiteral("1"));
    controls_.Text4->setText(QString());
    controls_.List1->clear();

    controls_.Text3->setText(traceroute::normalisedPacketSizeText(controls_.Text3->text()));
    const std::int32_t packetSize = traceroute::packetSize(controls_.Text3->text());

    if (!Tracert_Module::SocketsInitialize(sockets_)) {
        toolkit_.messageBox(QStringLiteral("Impossibile inizializzare la Socket Windows"),
                            ui::MessageButtons::Ok, ui::MessageIcon::None, TraceTitle);
        return;
    }

    const QString typed = controls_.Combo1->currentText();
    const QString name = isBlank(typed) ? window_.fallbackTarget() : typed;
    const QString target = Tracert_Module::ResolveHostToIP(sockets_, name);
    // An unresolved name would send probes to the all-ones address and report
    // success after the first silent hop; say so and send nothing instead.
    if (target.isEmpty()) {
        toolkit_.messageBox(QStringLiteral("Impossibile risolvere il nome host: ") + name,
                            ui::MessageButtons::Ok, ui::MessageIcon::Exclamation, TraceTitle);
        Tracert_Module::SocketsCleanup(sockets_, toolkit_);
        return;
    }
    const std::uint32_t destination = sockets_.inet_addr(target.toLocal8Bit().toStdString());

    const platform::IcmpHandle handle = icmp_.IcmpCreateFile();
    if (handle == 0) {
        toolkit_.messageBox(QStringLiteral("Impossibile aprire un gestore di file ICMP"),
                            ui::MessageButtons::Ok, ui::MessageIcon::None, TraceTitle);
        Tracert_Module::SocketsCleanup(sockets_, toolkit_);
        return;
    }

    controls_.Combo1->addItem(controls_.Combo1->currentText());
    controls_.Text1->setText(target);
    controls_.Text4->setText(QStringLiteral("Tracing Route su ") + controls_.Combo1->currentText() +
                             QStringLiteral(":") + CrLf + CrLf);

    platform::icmp::EchoOptions options;
    net::EchoReply reply;
    QString hopAddress;
    for (std::int16_t ttl = 1; ttl <= MaximumTtl; ++ttl) {
        controls_.List1->addItem(QString::number(ttl));
        options.setTimeToLive(static_cast<std::uint8_t>(ttl));
        // A hop where no node answered is probed again at the same time to live.
        ttl -= ProbeHop(handle, destination, packetSize, hopAddress, reply, options);
        toolkit_.processPendingEvents();
        // A closed window ends the run here, before any control is touched again.
        if (window_.isClosed()) break;
        if (controls_.Text1->text() == hopAddress) {
            controls_.Text4->setText(controls_.Text4->text() + CrLf +
                                     QStringLiteral("Trace Route Completato"));
            break;
        }
    }

    icmp_.IcmpCloseHandle(handle);
    Tracert_Module::SocketsCleanup(sockets_, toolkit_);
}

std::int16_t TraceRoutePage::ProbeHop(platform::IcmpHandle handle, std::uint32_t destination,
                                      std::int32_t packetSize, QString& hopAddress,
                                      net::EchoReply& reply,
                                      const platform::icmp::EchoOptions& options) {
    const std::string requestData(static_cast<std::size_t>(packetSize), 'a');
    const QDeadlineTimer attempt(std::chrono::milliseconds(ProbeTimeoutMs), Qt::PreciseTimer);
    const PingModule::SentEcho sent = PingModule::EchoOnHandle(
        icmp_, handle, destination, requestData, &options, ReplyAreaSize, ProbeTimeoutMs, reply);
    reply = sent.reply;

    if (sent.replies != 1) {
        // An echo that could not even leave (no route to the network, a target
        // such as 0.0.0.0) fails at once; it still takes its whole time-out,
        // as a silent hop does, or the run would re-probe at full speed. The
        // window stays live meanwhile, so "&Stop" is answered at once.
        toolkit_.processEventsUntil(attempt);
        return 1;
    }
    hopAddress = Tracert_Module::AddressToText(sockets_, reply.Address);
    AppendHopLine(options.timeToLive(), static_cast<std::int32_t>(reply.RoundTripTime), hopAddress);
    return 0;
}

void TraceRoutePage::AppendHopLine(std::uint8_t ttl, std::int32_t roundTripTime,
                                   const QString& hopAddress) {
    controls_.Text4->setText(controls_.Text4->text() +
                             traceroute::HopLine(ttl, roundTripTime, hopAddress));
}

}  // namespace traceroute
