#include "tools/traceroute/trace_route_page.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <array>
#include <cstring>
#include <string>

#include "net/tracert_module.h"
#include "shell/form_main.h"
#include "shell/multi_line_text_box.h"
#include "tools/traceroute/hop_line.h"
#include "tools/traceroute/packet_size.h"

namespace {

const QString TraceTitle = QStringLiteral("SINOTAR");
const QString CrLf = QStringLiteral("\r\n");

bool isBlank(const QString& text) {
    for (const QChar c : text)
        if (c != QLatin1Char(' ')) return false;
    return true;
}

}  // namespace

TraceRoutePage::TraceRoutePage(FormMain& form) : QObject(&form), form_(form) {
    connect(form_.Command1, &QPushButton::clicked, this, &TraceRoutePage::Command1_Click);
    connect(form_.Command2, &QPushButton::clicked, this, &TraceRoutePage::Command2_Click);
}

void TraceRoutePage::Command1_Click() {
    form_.Command1->setEnabled(false);
    TraceRT();
    if (!form_.isClosed()) form_.Command1->setEnabled(true);
}

void TraceRoutePage::Command2_Click() {
    shell::Toolkit& toolkit = form_.services().toolkit;
    const auto answer = toolkit.messageBox(
        QStringLiteral("Terminare l'operazione in corso?") + CrLf +
            QStringLiteral("(Tarsino verr\u00e0 terminato)"),
        shell::MessageButtons::YesNo, shell::MessageIcon::None, QStringLiteral("Sinotar"));
    if (answer == shell::MessageResult::Yes) toolkit.endProgram();
}

void TraceRoutePage::TraceRT() {
    shell::Services& services = form_.services();

    form_.Text1->setText(QString());
    form_.Text2->setText(QStringLiteral("1"));
    form_.Text4->setText(QString());
    form_.List1->clear();

    form_.Text3->setText(traceroute::NormalisedPacketSizeText(form_.Text3->text()));
    const std::int32_t packetSize = traceroute::PacketSize(form_.Text3->text());

    if (!Tracert_Module::SocketsInitialize(services.sockets)) {
        services.toolkit.messageBox(QStringLiteral("Impossibile inizializzare la Socket Windows"),
                                    shell::MessageButtons::Ok, shell::MessageIcon::None, TraceTitle);
        return;
    }

    const QString typed = form_.Combo1->currentText();
    const QString name = isBlank(typed) ? form_.txt_domain->text() : typed;
    const QString target = Tracert_Module::ResolveHostToIP(services.sockets, name);
    // An unresolved name would send probes to the all-ones address and report
    // success after the first silent hop; say so and send nothing instead.
    if (target.isEmpty()) {
        services.toolkit.messageBox(QStringLiteral("Impossibile risolvere il nome host: ") + name,
                                    shell::MessageButtons::Ok, shell::MessageIcon::Exclamation,
                                    TraceTitle);
        Tracert_Module::SocketsCleanup(services.sockets, services.toolkit);
        return;
    }
    const std::uint32_t destination = services.sockets.inet_addr(target.toLocal8Bit().toStdString());

    const platform::IcmpHandle handle = services.icmp.IcmpCreateFile();
    if (handle == 0) {
        services.toolkit.messageBox(QStringLiteral("Impossibile aprire un gestore di file ICMP"),
                                    shell::MessageButtons::Ok, shell::MessageIcon::None, TraceTitle);
        Tracert_Module::SocketsCleanup(services.sockets, services.toolkit);
        return;
    }

    form_.Combo1->addItem(form_.Combo1->currentText());
    form_.Text1->setText(target);
    form_.Text4->setText(QStringLiteral("Tracing Route su ") + form_.Combo1->currentText() +
                         QStringLiteral(":") + CrLf + CrLf);

    platform::EchoOptions options;
    EchoReply reply;
    QString hopAddress;
    for (std::int16_t ttl = 1; ttl <= MaximumTtl; ++ttl) {
        form_.List1->addItem(QString::number(ttl));
        options.setTimeToLive(static_cast<std::uint8_t>(ttl));
        ttl -= ProbeHop(handle, destination, packetSize, hopAddress, reply, options);
        services.toolkit.processPendingEvents();
        // A closed window ends the run here, before any control is touched again.
        if (form_.isClosed()) break;
        if (form_.Text1->text() == hopAddress) {
            form_.Text4->setText(form_.Text4->text() + CrLf + QStringLiteral("Trace Route Completato"));
            break;
        }
    }

    services.icmp.IcmpCloseHandle(handle);
    Tracert_Module::SocketsCleanup(services.sockets, services.toolkit);
}

std::int16_t TraceRoutePage::ProbeHop(platform::IcmpHandle handle, std::uint32_t destination,
                                      std::int32_t packetSize, QString& hopAddress, EchoReply& reply,
                                      const platform::EchoOptions& options) {
    shell::Services& services = form_.services();
    const std::string requestData(static_cast<std::size_t>(packetSize), 'a');

    std::array<std::uint8_t, ReplyAreaSize> replyArea{};
    const EchoReply::Image image = reply.toImage();
    std::memcpy(replyArea.data(), image.data(), image.size());
    const std::uint32_t replies = services.icmp.IcmpSendEcho(
        handle, destination, requestData.data(), static_cast<std::uint16_t>(requestData.size()),
        &options, replyArea.data(), ReplyAreaSize, ProbeTimeoutMs);
    reply = EchoReply::fromImage(std::span<const std::uint8_t, EchoReply::ImageSize>(
        replyArea.data(), EchoReply::ImageSize));

    if (replies != 1) return 1;
    hopAddress = Tracert_Module::AddressToText(services.sockets, reply.Address);
    AppendHopLine(options.timeToLive(), static_cast<std::int32_t>(reply.RoundTripTime), hopAddress);
    return 0;
}

void TraceRoutePage::AppendHopLine(std::uint8_t ttl, std::int32_t roundTripTime,
                                   const QString& hopAddress) {
    form_.Text4->setText(form_.Text4->text() + traceroute::HopLine(ttl, roundTripTime, hopAddress));
}
