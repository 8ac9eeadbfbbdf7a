#include "tools/hosts/host_detection_page.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

#include "net/address_helpers.h"
#include "tools/hosts/dialog_info_host.h"
#include "tools/hosts/host_list.h"
#include "tools/hosts/host_report.h"
#include "tools/hosts/report_file.h"
#include "tools/hosts/resolution_deadline.h"
#include "tools/hosts/wide_string.h"
#include "ui/multi_line_text_box.h"
#include "ui/twips.h"

namespace hosts {

namespace {

bool deliveredEntries(const platform::ServerEnumResult& result) {
    return (result.status == platform::browser_status::Success ||
            result.status == platform::browser_status::MoreData) &&
           result.entriesRead >= 1;
}

QString signedDecimal(std::uint32_t code) {
    return QString::number(static_cast<std::int32_t>(code));
}

}  // namespace

HostDetectionPage::HostDetectionPage(const HostDetectionControls& controls,
                                     platform::ServerBrowser& browser,
                                     platform::NameResolver& resolver, platform::SocketApi& sockets,
                                     ui::Toolkit& toolkit, platform::Environment& environment,
                                     QObject* parent)
    : QObject(parent),
      controls_(controls),
      browser_(browser),
      resolver_(resolver),
      sockets_(sockets),
      toolkit_(toolkit),
      environment_(environment) {
    setUpHostList(*controls_.Lv_hosts);
    connect(controls_.CmdNetDetect, &QPushButton::clicked, this,
            &HostDetectionPage::CmdNetDetect_Click);
    connect(controls_.btn_clearDominio, &QPushButton::clicked, this,
            &HostDetectionPage::btn_clearDominio_Click);
    connect(controls_.btn_logFile, &QPushButton::clicked, this,
            &HostDetectionPage::btn_logFile_Click);
    connect(controls_.Lv_hosts->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { Lv_hosts_ColumnClick(column + 1); });
    connect(controls_.Lv_hosts, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* row) {
        Lv_hosts_ItemClick(row, controls_.Lv_hosts->indexOfTopLevelItem(row) + 1);
    });
}

void HostDetectionPage::CmdNetDetect_Click() {
    const auto clicked = std::chrono::steady_clock::now();
    controls_.Txt_hosts->setText(QString());
    std::uint32_t resumeHandle = 0;
    // Each call that delivers entries must move the resume handle on, and no
    // more calls are made than there were entries announced: a browser that
    // keeps answering "more to come" without progress cannot hold the window.
    std::uint32_t calls = 0;
    std::uint32_t announced = 0;
    for (;;) {
        const std::uint32_t handleBefore = resumeHandle;
        const platform::ServerEnumResult result = browser_.NetServerEnum(resumeHandle);
        ++calls;
        announced = std::max(announced, result.totalEntries);
        if (deliveredEntries(result)) {
            listServers(result, clicked);
        } else {
            toolkit_.messageBox(QStringLiteral("Errore di NetServerEnum: ") +
                                signedDecimal(result.status));
        }
        const bool moreToRead = result.entriesRead < result.totalEntries;
        const bool progressed = result.entriesRead >= 1 && resumeHandle != handleBefore;
        if (!moreToRead || !progressed || calls >= announced) break;
    }
}

void HostDetectionPage::listServers(const platform::ServerEnumResult& result,
                                    std::chrono::steady_clock::time_point clicked) {
    QTreeWidget& list = *controls_.Lv_hosts;
    list.clear();
    const std::size_t count = std::min<std::size_t>(result.entriesRead, result.servers.size());
    QStringList hostNames;
    std::vector<std::string> lookupNames;
    lookupNames.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t* const name = result.servers[i].name.c_str();
        hostNames << NetDetect::WideStringFromPointer(name);
        lookupNames.push_back(hostNames.back().toLocal8Bit().toStdString());
    }
    // All names at once, off this thread: one silent name must not cost the
    // others their turn, nor a silent resolver hold the window.
    const auto answers = resolver_.resolveAll(
        lookupNames, resolutionDeadline(clicked, std::chrono::steady_clock::now()));

    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        // Each host still gets a sockets session of its own, in list order,
        // and with it the warning when that session cannot be ended.
        Tracert_Module::SocketsInitialize(sockets_);
        QString address;
        if (i < answers.size() && answers[i])
            address = Tracert_Module::AddressToText(sockets_, *answers[i]);
        // Discovery may have seen the host where the resolver knows nothing
        // of its name, or did not answer in time.
        if (address.isEmpty()) address = QString::fromStdString(result.servers[i].seenAddress);
        Tracert_Module::SocketsCleanup(sockets_, toolkit_);
        QStringList fields(host_column::Count);
        fields[host_column::Number] = QString::number(i + 1);
        fields[host_column::Address] = address;
        fields[host_column::HostName] = hostNames[static_cast<qsizetype>(i)];
        rows.append(new QTreeWidgetItem(fields));
    }
    // One insertion and at most one sort, whatever the number of hosts.
    list.addTopLevelItems(rows);
    Refresh();
}

void HostDetectionPage::btn_clearDominio_Click() {
    controls_.txt_domain->setText(QString());
    controls_.Txt_hosts->setText(QString());
    controls_.Lv_hosts->clear();
}

void HostDetectionPage::Lv_hosts_ColumnClick(int position1Based) {
    if (position1Based < 1 || position1Based > host_column::Count) return;
    sorted_ = true;
    sortKey_ = position1Based - 1;
    controls_.Lv_hosts->header()->setSortIndicatorShown(true);
    Refresh();
}

void HostDetectionPage::Lv_hosts_ItemClick(QTreeWidgetItem* row, int position1Based) {
    QTreeWidget& list = *controls_.Lv_hosts;
    if (row == nullptr || list.topLevelItem(position1Based - 1) != row) return;
    DialogInfoHost dialog(controls_.window);
    dialog.setTag(*list.model(), position1Based);
    dialog.move(controls_.window->frameGeometry().topLeft() +
                QPoint(ui::twips(300), ui::twips(2100)));
    dialog.fillFromRow();
    toolkit_.showModal(dialog);
    Refresh();
}

void HostDetectionPage::btn_logFile_Click() {
    const QString caption = controls_.window->windowTitle();
    const QString firstReading = generalDateText(environment_.currentDateTime());
    const QString secondReading = generalDateText(environment_.currentDateTime());
    const QTreeWidget& list = *controls_.Lv_hosts;
    QList<QStringList> rows;
    rows.reserve(list.topLevelItemCount());
    for (int position = 0; position < list.topLevelItemCount(); ++position) {
        const QTreeWidgetItem& row = *list.topLevelItem(position);
        QStringList subItems;
        for (int column = host_column::FirstReported; column <= host_column::LastReported; ++column)
            subItems << row.text(column);
        rows << subItems;
    }
    const QString document = HostReportDocument(caption, firstReading, secondReading, rows);
    controls_.Txt_hosts->setText(document);

    const ReportFileOutcome outcome = writeReportFile(
        document.toLatin1() + QByteArrayLiteral("\r\n"), environment_.applicationFolder());
    const QString title = QStringLiteral("Sinotar");
    if (outcome.written) {
        toolkit_.messageBox(QStringLiteral("Html Log File creato!\r\n") + outcome.path,
                            ui::MessageButtons::Ok, ui::MessageIcon::Information, title);
    } else {
        toolkit_.messageBox(QStringLiteral("Impossibile scrivere il file Html Log:\r\n") +
                                outcome.path + QStringLiteral("\r\n") + outcome.reason,
                            ui::MessageButtons::Ok, ui::MessageIcon::Exclamation, title);
    }
}

void HostDetectionPage::Refresh() {
    // Always ascending: the header's own click handling may have flipped the
    // indicator before this runs.
    if (sorted_) controls_.Lv_hosts->sortItems(sortKey_, Qt::AscendingOrder);
}

}  // namespace hosts
