#pragma once
// The main window: a tab strip over four pages (trace route, host detection,
// ping, about), each a frame of the controls its tool reads and writes.

#include <QList>
#include <QWidget>

#include <array>
#include <memory>

#include "shell/services.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;
namespace ping {
class PingPage;
}
namespace hosts {
class HostDetectionPage;
}
namespace traceroute {
class TraceRoutePage;
}

namespace ui {
class MultiLineTextBox;
}

namespace shell {

class FormMain : public QWidget {
    Q_OBJECT

public:
    // Builds every control, then prepares the window (Form_Load).
    explicit FormMain(Services services, QWidget* parent = nullptr);
    ~FormMain() override;

    void Form_Load();
    void TabStrip1_Click();

    // True once the user has closed the window; a run in progress then ends
    // at its next step without touching the controls.
    bool isClosed() const { return closed_; }

    // The default remote host offered in Combo1's list.
    static inline const QString DefaultRemoteHost = QStringLiteral("localhost");

    QTabWidget* TabStrip1 = nullptr;
    QGroupBox* Fr_domini = nullptr;
    QGroupBox* Fr_Intervallo = nullptr;
    QGroupBox* Fr_Ping = nullptr;
    QGroupBox* Fr_About = nullptr;

    // Trace route page.
    QLabel* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label5 = nullptr;
    ui::MultiLineTextBox* Text4 = nullptr;
    QListWidget* List1 = nullptr;

    // Host detection page.
    QLabel* Label24 = nullptr;
    QLineEdit* txt_domain = nullptr;
    QPushButton* CmdNetDetect = nullptr;
    QPushButton* btn_clearDominio = nullptr;
    QPushButton* btn_logFile = nullptr;
    QLabel* Label6 = nullptr;
    QTreeWidget* Lv_hosts = nullptr;  // built when its page first shows
    ui::MultiLineTextBox* Txt_hosts = nullptr;

    // Ping page.
    QLabel* Label10 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLabel* lbl_data = nullptr;
    QLineEdit* Text7 = nullptr;
    QLabel* Label9 = nullptr;
    std::array<QLineEdit*, 6> Text5{};
    QWidget* Line2 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Label20 = nullptr;
    QLabel* Label21 = nullptr;
    QLabel* Label22 = nullptr;
    QWidget* Line3 = nullptr;
    QPushButton* bt_clear_ping = nullptr;
    QPushButton* Cmd_ping = nullptr;

    // About page.
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QWidget* Line1 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label18 = nullptr;

    // The tools' handlers.
    traceroute::TraceRoutePage* traceRoute = nullptr;
    ping::PingPage* ping = nullptr;
    hosts::HostDetectionPage* hostDetection = nullptr;  // with Lv_hosts

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTabStrip();
    void buildTraceRoutePage();
    void buildHostDetectionPage();
    void buildPingPage();
    void buildAboutPage();
    void finishPage(QGroupBox* page);
    void buildHostList();
    void setFocusOrder();
    void setText4TabStops();
    void selectTab(int index);
    void centreOnScreen();

    Services services_;
    bool closed_ = false;
    bool centred_ = false;
    QList<QGroupBox*> finishedPages_;  // shown at least once
};

}  // namespace shell
