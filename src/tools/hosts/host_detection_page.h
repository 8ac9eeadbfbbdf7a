#pragma once
// The host-detection page's handlers: enumeration of the domain's hosts,
// clearing the page, sorting and annotating the host list, the HTML report.

#include <QObject>

#include <chrono>

#include "platform/environment.h"
#include "platform/name_resolver.h"
#include "platform/server_browser.h"
#include "platform/socket_api.h"
#include "ui/toolkit.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace ui {
class MultiLineTextBox;
}

namespace hosts {

// The page's controls, all owned by the main window.
struct HostDetectionControls {
    QWidget* window;  // the main window: caption for the report, position for the dialog
    QLineEdit* txt_domain;
    QPushButton* CmdNetDetect;
    QPushButton* btn_clearDominio;
    QPushButton* btn_logFile;
    QTreeWidget* Lv_hosts;            // its columns set up by the page
    ui::MultiLineTextBox* Txt_hosts;  // hidden; holds the report's text
};

class HostDetectionPage : public QObject {
    Q_OBJECT

public:
    HostDetectionPage(const HostDetectionControls& controls, platform::ServerBrowser& browser,
                      platform::NameResolver& resolver, platform::SocketApi& sockets,
                      ui::Toolkit& toolkit, platform::Environment& environment,
                      QObject* parent = nullptr);

public slots:
    void CmdNetDetect_Click();
    void btn_clearDominio_Click();
    void Lv_hosts_ColumnClick(int position1Based);
    void Lv_hosts_ItemClick(QTreeWidgetItem* row, int position1Based);
    void btn_logFile_Click();

private:
    // Lists one browser call's servers, numbered from 1, in place of the rows;
    // their names are looked up within the bound counted from the click.
    void listServers(const platform::ServerEnumResult& result,
                     std::chrono::steady_clock::time_point clicked);
    // Puts the rows back in sort order once sorting has been switched on.
    void Refresh();

    HostDetectionControls controls_;
    platform::ServerBrowser& browser_;
    platform::NameResolver& resolver_;
    platform::SocketApi& sockets_;
    ui::Toolkit& toolkit_;
    platform::Environment& environment_;
    bool sorted_ = false;
    int sortKey_ = 0;
};

}  // namespace hosts
