#pragma once
// A stand-in main window carrying the host-detection page's controls, the
// page itself and fakes for everything outside, or the real services of a
// lab's LAN.

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include <QTest>

#include <memory>
#include <string>

#include "fake_environment.h"
#include "fake_name_resolver.h"
#include "fake_server_browser.h"
#include "fake_sockets.h"
#include "fake_toolkit.h"
#include "platform/linux_name_resolver.h"
#include "platform/linux_sockets.h"
#include "platform/loaded_server_browser.h"
#include "tools/hosts/host_columns.h"
#include "tools/hosts/host_detection_page.h"
#include "ui/multi_line_text_box.h"

namespace testing_support {

// What the window program wires in, the discovery module it loads included,
// for a test run on a lab's client side.
struct RealHostServices {
    explicit RealHostServices(const std::string& discoveryModule) : browser(discoveryModule) {}
    platform::LinuxSockets sockets;
    platform::LinuxNameResolver resolver;
    platform::LoadedServerBrowser browser;
};

struct HostPageFixture {
    QWidget window;
    QLineEdit* txt_domain = new QLineEdit(&window);
    QPushButton* CmdNetDetect = new QPushButton(QStringLiteral("&Rileva"), &window);
    QPushButton* btn_clearDominio = new QPushButton(QStringLiteral("&Annulla"), &window);
    QPushButton* btn_logFile = new QPushButton(QStringLiteral("&Crea Html Log"), &window);
    QTreeWidget* Lv_hosts = new QTreeWidget(&window);
    ui::MultiLineTextBox* Txt_hosts = new ui::MultiLineTextBox(&window);
    FakeServerBrowser browser;
    FakeNameResolver resolver;
    FakeSockets sockets;
    FakeToolkit toolkit;
    FakeEnvironment environment;
    std::unique_ptr<hosts::HostDetectionPage> page;

    // The page looks names up through `resolver` unless given another one.
    explicit HostPageFixture(platform::NameResolver* otherResolver = nullptr) {
        build(browser, otherResolver != nullptr ? *otherResolver : resolver, sockets);
    }
    // The page on the real services; the fakes serve only the toolkit and
    // the environment.
    explicit HostPageFixture(RealHostServices& real) {
        build(real.browser, real.resolver, real.sockets);
    }

    void build(platform::ServerBrowser& pageBrowser, platform::NameResolver& pageResolver,
               platform::SocketApi& pageSockets) {
        window.setWindowTitle(QStringLiteral("Tarsino on PC12 [10.0.0.7]"));
        window.resize(720, 480);
        Lv_hosts->setGeometry(8, 96, 700, 337);
        Txt_hosts->hide();
        page = std::make_unique<hosts::HostDetectionPage>(
            hosts::HostDetectionControls{&window, txt_domain, CmdNetDetect, btn_clearDominio,
                                         btn_logFile, Lv_hosts, Txt_hosts},
            pageBrowser, pageResolver, pageSockets, toolkit, environment);
    }

    QString cell(int row, int column) const { return Lv_hosts->topLevelItem(row)->text(column); }

    // A real click in the middle of a column's header.
    void clickHeader(int column) {
        QHeaderView* header = Lv_hosts->header();
        const QPoint centre(
            header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }

    // The texts of one column, top to bottom.
    QStringList column(int column) const {
        QStringList texts;
        for (int row = 0; row < Lv_hosts->topLevelItemCount(); ++row) texts << cell(row, column);
        return texts;
    }
};

}  // namespace testing_support
