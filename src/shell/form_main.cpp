#include "shell/form_main.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWindow>

#include "net/local_identity.h"
#include "tools/hosts/host_detection_page.h"
#include "tools/ping/ping_page.h"
#include "tools/traceroute/trace_route_page.h"
#include "ui/controls.h"
#include "ui/look.h"
#include "ui/multi_line_text_box.h"
#include "ui/title_bar_buttons.h"
#include "ui/twips.h"

using namespace ui;
using controls::Place;

namespace shell {

namespace {

constexpr int ClientWidth = 6420;
constexpr int ClientHeight = 7110;
const Place PagePlace{120, 360, 6135, 6615};

struct TabDefinition {
    const char* caption;
    const char* key;
    const char* tooltip;
};

constexpr std::array<TabDefinition, 4> Tabs{{
    {"Trace route", "Trace", "Trace route su un dominio"},
    {"Dominio", "Dominio", "Trace route su un intervallo di indirizzi IP"},
    {"Ping", "Ping", "Effettua il PING"},
    {"About Tarsino", "About", nullptr},
}};

// Tab stops of the results box in dialog units (a quarter of the font's
// average character width), so that hop lines form columns.
constexpr std::array<int, 4> Text4TabStops{30, 54, 105, 182};

}  // namespace

FormMain::FormMain(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      services_(services) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Tarsino"));
    setFont(look::dialogFont());
    setFixedSize(twips(ClientWidth), twips(ClientHeight));

    buildTabStrip();
    // Created in this order, the last page lies on top, as in the design.
    buildAboutPage();
    buildPingPage();
    buildHostDetectionPage();
    buildTraceRoutePage();
    setFocusOrder();

    // Each page gets its own controls and the services it uses; the trace run
    // falls back on the host page's domain, which only the window may read.
    traceRoute = new traceroute::TraceRoutePage(
        {Combo1, Command1, Text1, Command2, Text2, Text3, Text4, List1},
        {[this] { return txt_domain->text(); }, [this] { return isClosed(); }}, services_.sockets,
        services_.icmp, services_.toolkit, this);
    ping = new ping::PingPage({Text6, Text7, Text5, bt_clear_ping, Cmd_ping}, services_.sockets,
                              services_.icmp, services_.toolkit, this);
    connect(TabStrip1, &QTabWidget::currentChanged, this, [this] { TabStrip1_Click(); });
    Form_Load();
    keepOnlyTheCloseButton(*this);
}

FormMain::~FormMain() = default;

void FormMain::buildTabStrip() {
    TabStrip1 = new QTabWidget(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->setGeometry(twipsRect(0, 0, 6375, 7095));
    for (const auto& tab : Tabs) {
        // The pages are frames of the window laid over the strip; the strip's
        // own pages stay empty.
        const int index = TabStrip1->addTab(new QWidget, QString::fromUtf8(tab.caption));
        TabStrip1->tabBar()->setTabData(index, QString::fromUtf8(tab.key));
        if (tab.tooltip) TabStrip1->setTabToolTip(index, QString::fromUtf8(tab.tooltip));
    }
}

void FormMain::buildTraceRoutePage() {
    using namespace controls;
    Fr_domini = frame(this, "Fr_domini", "Trace route su Dominio", {120, 360, 6015, 6615});
    QWidget* page = Fr_domini;
    Label1 =
        label(page, "Label1", "Trace route su", {240, 390, 1095, 255}, look::Blue, RightAligned);
    Combo1 = new QComboBox(page);
    Combo1->setObjectName("Combo1");
    Combo1->setGeometry(twipsRect(1440, 360, 2655, 315));
    Combo1->setEditable(true);
    // The run takes the text exactly as typed: no completion from the list,
    // and Enter neither adds an entry nor swaps the text for a matching one.
    Combo1->setCompleter(nullptr);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setDuplicatesEnabled(true);
    Combo1->setEditText("Combo1");
    Command1 = button(page, "Command1", "&OK", {4200, 360, 1575, 375});
    Label2 = label(page, "Label2", "indirizzo IP", {240, 780, 1095, 255}, look::Blue, RightAligned);
    Text1 = textBox(page, "Text1", "Text1", {1440, 720, 2655, 405}, look::LightGrey, false);
    Command2 = button(page, "Command2", "&Stop", {4200, 720, 1575, 375});

    Frame1 = frame(page, "Frame1", "Dettagli", {240, 1200, 5535, 1215}, look::Blue);
    Label3 =
        label(Frame1, "Label3", "Numero di pacchetti inviati", {1200, 360, 1935, 255}, look::Blue);
    Text2 = textBox(Frame1, "Text2", "0", {3960, 360, 975, 285}, look::LightGrey, false);
    Text2->setAlignment(Qt::AlignRight);
    Label4 =
        label(Frame1, "Label4", "Numero di byte per pacchetto", {1200, 720, 2175, 255}, look::Blue);
    Text3 = textBox(Frame1, "Text3", "0", {3960, 720, 975, 285}, look::LightGrey, false);
    Text3->setAlignment(Qt::AlignRight);

    Label5 = label(page, "Label5", "Risultati", {240, 2520, 1095, 255});
    List1 = new QListWidget(page);
    List1->setObjectName("List1");
    List1->setGeometry(twipsRect(240, 2760, 615, 3570));
    List1->hide();
    Text4 = new MultiLineTextBox(page);
    Text4->setObjectName("Text4");
    Text4->setGeometry(twipsRect(240, 2760, 5535, 3615));
    Text4->setText("Text4");
    // Long lines (a long target name in the heading) wrap: the box scrolls
    // only up and down.
    Text4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text4->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text4->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    look::setBackground(*Text4, look::LightYellow);

    Label1->setBuddy(Combo1);
    Label2->setBuddy(Text1);
    Label3->setBuddy(Text2);
    Label4->setBuddy(Text3);
    Label5->setBuddy(Text4);
}

void FormMain::buildHostDetectionPage() {
    using namespace controls;
    Fr_Intervallo = frame(this, "Fr_Intervallo", "Rilevazione Host", PagePlace);
    look::setBackground(*Fr_Intervallo, look::ActiveBorder);
    QWidget* page = Fr_Intervallo;
    Label24 = label(page, "Label24", "Dominio", {240, 300, 615, 255}, look::Blue);
    txt_domain = textBox(page, "txt_domain", "", {960, 285, 5055, 285}, look::White);
    txt_domain->setToolTip("Indirizzo di rete nel formato: ***.***.***");
    CmdNetDetect = button(page, "CmdNetDetect", "&Rileva", {1440, 720, 975, 375});
    btn_clearDominio = button(page, "btn_clearDominio", "&Annulla", {2400, 720, 975, 375});
    btn_logFile = button(page, "btn_logFile", "&Crea Html Log", {3360, 720, 1215, 375});
    Label6 = label(page, "Label6", "Host, IP e nomi", {120, 1200, 2415, 255}, look::Blue);

    Txt_hosts = new MultiLineTextBox(page);
    Txt_hosts->setObjectName("Txt_hosts");
    Txt_hosts->setGeometry(twipsRect(120, 3840, 5895, 2655));
    // Its fixed-pitch font comes with the page's first showing (finishPage).
    Txt_hosts->setLineWrapMode(QPlainTextEdit::NoWrap);
    Txt_hosts->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Txt_hosts->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    look::setBackground(*Txt_hosts, look::LightYellow);
    Txt_hosts->hide();

    Label24->setBuddy(txt_domain);
}

// The host list and the page's handler come with the page's first showing:
// a tree view is the costliest control of the window to build, in code to
// load as much as in memory, and nothing reaches it before its page shows.
void FormMain::buildHostList() {
    Lv_hosts = new QTreeWidget(Fr_Intervallo);
    Lv_hosts->setObjectName("Lv_hosts");
    Lv_hosts->setGeometry(twipsRect(120, 1440, 5895, 5055));
    look::setBackground(*Lv_hosts, look::White);
    Label6->setBuddy(Lv_hosts);
    setTabOrder(btn_clearDominio, Lv_hosts);
    setTabOrder(Lv_hosts, btn_logFile);
    hostDetection = new hosts::HostDetectionPage(
        {this, txt_domain, CmdNetDetect, btn_clearDominio, btn_logFile, Lv_hosts, Txt_hosts},
        services_.browser, services_.resolver, services_.sockets, services_.toolkit,
        services_.environment, this);
}

void FormMain::buildPingPage() {
    using namespace controls;
    Fr_Ping = frame(this, "Fr_Ping", "Ping", PagePlace);
    look::setBackground(*Fr_Ping, look::ActiveBorder);
    QWidget* page = Fr_Ping;
    Label10 = label(page, "Label10", "IP ", {1800, 615, 615, 255}, look::Blue, RightAligned);
    Text6 = textBox(page, "Text6", "", {2520, 600, 1935, 285}, look::White);
    lbl_data = label(page, "lbl_data", "Dati Tx", {1800, 960, 615, 255}, look::Blue, RightAligned);
    Text7 = textBox(page, "Text7", "who are you", {2520, 960, 1935, 285}, look::White);
    Label9 = label(page, "Label9", "Esito", {1800, 1335, 615, 255}, look::Blue, RightAligned);
    // Its bold font comes with the page's first showing (finishPage).
    Text5[0] = textBox(page, "Text5_0", "", {2520, 1320, 3375, 285}, look::LightYellow, false);
    Line2 = line(page, "Line2", 240, 1800, 5880, 1800, look::Blue);

    Frame2 = frame(page, "Frame2", "Dettagli", {360, 1920, 5415, 1815});
    Label19 = label(Frame2, "Label19", "Tempo", {1440, 255, 615, 255}, look::Blue, RightAligned);
    Text5[2] = textBox(Frame2, "Text5_2", "", {2160, 240, 1335, 285}, look::LightGrey, false);
    Text5[1] = textBox(Frame2, "Text5_1", "", {3720, 240, 1215, 285}, look::LightGrey, false);
    Text5[1]->hide();
    Label20 = label(Frame2, "Label20", "Num. byte trasmessi", {360, 615, 1695, 255}, look::Blue,
                    RightAligned);
    Text5[3] = textBox(Frame2, "Text5_3", "", {2160, 600, 1335, 285}, look::LightGrey, false);
    Label21 =
        label(Frame2, "Label21", "byte ricevuti", {360, 975, 1695, 255}, look::Blue, RightAligned);
    Text5[4] = textBox(Frame2, "Text5_4", "", {2160, 960, 1335, 285}, look::LightGrey, false);
    Label22 = label(Frame2, "Label22", "IP WS", {360, 1335, 1695, 255}, look::Blue, RightAligned);
    Text5[5] = textBox(Frame2, "Text5_5", "", {2160, 1320, 1335, 285}, look::LightGrey, false);
    Line3 = line(page, "Line3", 240, 3960, 5880, 3960, look::Blue);
    bt_clear_ping = button(page, "bt_clear_ping", "&Annulla", {3720, 4080, 975, 375});
    Cmd_ping = button(page, "Cmd_ping", "&Ping", {4800, 4080, 975, 375});

    Label10->setBuddy(Text6);
    lbl_data->setBuddy(Text7);
    Label9->setBuddy(Text5[0]);
    Label19->setBuddy(Text5[2]);
    Label20->setBuddy(Text5[3]);
    Label21->setBuddy(Text5[4]);
    Label22->setBuddy(Text5[5]);
}

void FormMain::buildAboutPage() {
    using namespace controls;
    Fr_About = frame(this, "Fr_About", "About Tarsino", PagePlace, look::Blue);
    look::setBackground(*Fr_About, look::ActiveBorder);
    QWidget* page = Fr_About;
    const auto red = [page](const char* name, const QString& text, Place where, qreal points) {
        QLabel* control = label(page, name, text, where, look::Red);
        control->setFont(look::tahoma(points));
        return control;
    };
    Label11 = red("Label11", "Tarsino", {720, 840, 4815, 1695}, 72);
    Label12 = red("Label12", "Release 1.0", {3600, 2400, 2175, 495}, 20.25);
    Line1 = line(page, "Line1", 360, 3720, 5760, 3720, look::Red);
    Label13 = red("Label13", "Realizzato da:", {600, 3840, 2175, 375}, 14.25);
    Label14 = red("Label14", "Gruppo Reti", {1920, 4320, 2175, 375}, 14.25);
    Label15 = red("Label15", "Ufficio IT", {1920, 4680, 2175, 375}, 14.25);
    Label16 = red("Label16", "Interno 4410, stanza 12", {1920, 5040, 3735, 375}, 14.25);
    Label18 =
        label(page, "Label18", "Torino, dicembre 2026", {600, 6000, 2655, 255}, look::DarkBlue);
    Label18->setFont(look::tahoma(9.75));
}

// What only a hidden page needs waits until it first shows instead of holding
// up the window's first paint: its own fonts (files to load, text to lay out
// again), the host list, and the About captions' fitting, which tries one font
// size after another.
void FormMain::finishPage(QGroupBox* page) {
    if (finishedPages_.contains(page)) return;
    finishedPages_.append(page);
    if (page == Fr_Ping) {
        Text5[0]->setFont(look::dialogFont(8.25, true));
    } else if (page == Fr_Intervallo) {
        Txt_hosts->setFont(look::courier(9.75));
        buildHostList();
    } else if (page == Fr_About) {
        for (QLabel* control : {Label11, Label12, Label13, Label14, Label15, Label16, Label18})
            look::fitTextToWidth(*control);
    }
}

void FormMain::setFocusOrder() {
    const QList<QWidget*> order{TabStrip1,  Combo1,       Command1,         Command2,    Text4,
                                txt_domain, CmdNetDetect, btn_clearDominio, btn_logFile, Cmd_ping,
                                Text6,      Text7,        bt_clear_ping};
    // The host list takes its place after btn_clearDominio when it is built.
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    for (QLabel* label : findChildren<QLabel*>()) label->setFocusPolicy(Qt::NoFocus);
    List1->setFocusPolicy(Qt::NoFocus);
    Txt_hosts->setFocusPolicy(Qt::NoFocus);
}

void FormMain::Form_Load() {
    Combo1->addItem(QString());
    Combo1->addItem(DefaultRemoteHost);
    Combo1->setCurrentIndex(0);

    Text1->setText(QString());
    Text4->setText(QString());

    Text4->setTabStops({});  // back to the default stops first
    setText4TabStops();
    Text4->viewport()->update();

    selectTab(0);

    const QString name = IP_Module::GetLocalHostName(services_.sockets, services_.toolkit);
    const QString address = IP_Module::GetLocalIP(services_.sockets, services_.toolkit);
    setWindowTitle(windowTitle() + QStringLiteral(" on ") + name + QStringLiteral(" [") + address +
                   QStringLiteral("]"));
}

void FormMain::setText4TabStops() {
    const qreal dialogUnit = QFontMetricsF(Text4->font()).averageCharWidth() / 4.0;
    QList<qreal> positions;
    for (const int stop : Text4TabStops) positions << stop * dialogUnit;
    Text4->setTabStops(positions);
}

void FormMain::selectTab(int index) {
    // Selecting the tab that is already selected still runs the click handler.
    if (TabStrip1->currentIndex() == index)
        TabStrip1_Click();
    else
        TabStrip1->setCurrentIndex(index);
}

// The tab pages stay empty: the four frames are children of the window, laid
// over the strip at their design positions, so their geometry, stacking and
// the window's one focus chain stay as designed; a tab only picks which frame
// shows.
void FormMain::TabStrip1_Click() {
    const QString key = TabStrip1->tabBar()->tabData(TabStrip1->currentIndex()).toString();
    struct Switch {
        const char* key;
        QGroupBox* hidden[3];
        QGroupBox* shown;
    };
    const Switch switches[] = {
        {"Trace", {Fr_Intervallo, Fr_Ping, Fr_About}, Fr_domini},
        {"Dominio", {Fr_domini, Fr_Ping, Fr_About}, Fr_Intervallo},
        {"Ping", {Fr_domini, Fr_Intervallo, Fr_About}, Fr_Ping},
        {"About", {Fr_domini, Fr_Intervallo, Fr_Ping}, Fr_About},
    };
    for (const Switch& entry : switches) {
        if (key != QLatin1String(entry.key)) continue;
        for (QGroupBox* page : entry.hidden) page->setVisible(false);
        finishPage(entry.shown);
        entry.shown->setVisible(true);
        return;
    }
}

void FormMain::closeEvent(QCloseEvent* event) {
    closed_ = true;
    QWidget::closeEvent(event);
}

void FormMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_) return;
    centred_ = true;
    centreOnScreen();
    // A window manager puts its frame around the window only once it is
    // mapped: when it is first exposed, centre it again, frame included.
    if (QWindow* window = windowHandle()) window->installEventFilter(this);
}

bool FormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        windowHandle()->removeEventFilter(this);
        if (frameGeometry().size() != size()) centreOnScreen();
    }
    return QWidget::eventFilter(watched, event);
}

void FormMain::centreOnScreen() {
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace shell
