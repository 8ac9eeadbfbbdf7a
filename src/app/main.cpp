// Tarsino: trace route, host detection and ping for the office network.

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "platform/linux_icmp.h"
#include "platform/linux_name_resolver.h"
#include "platform/linux_sockets.h"
#include "platform/loaded_server_browser.h"
#include "platform/process/privileges.h"
#include "platform/system_environment.h"
#include "shell/form_main.h"
#include "ui/look.h"
#include "ui/qt_toolkit.h"
#include "ui/qt_translations.h"

int main(int argc, char* argv[]) {
    // Qt loads plugins that environment variables name: a capability left on
    // this file by mistake (ICMP needs none here, only tarsino-icmp) goes
    // before Qt starts. Root's own privilege is root's business.
    if (::getuid() != 0 && platform::process::holdsCapabilities() &&
        !platform::process::giveUpCapabilities()) {
        std::fputs(
            "tarsino: cannot give up the capabilities this file was granted; remove them with "
            "setcap -r\n",
            stderr);
        return 1;
    }
    // Reading the font configuration and caches is the longest step before
    // the first text can be laid out, and needs nothing of Qt: it runs on
    // another processor while Qt connects to the display. Fontconfig keeps
    // what it read as its default configuration, which Qt then uses.
    std::thread fontConfiguration([] { FcInit(); });
    QApplication application(argc, argv);
    fontConfiguration.join();
    QApplication::setApplicationName(QStringLiteral("tarsino"));
    QApplication::setDesktopFileName(QStringLiteral("tarsino"));
    ui::loadQtTranslations(application);
    // The window, its dialog and its message boxes share one font. Made the
    // application's own, no control is first laid out in the desktop's
    // default font, which would be one more font file to load before the
    // window shows.
    QApplication::setFont(ui::look::dialogFont());
    // Read as PNG and nothing else: an image reader left to detect the format
    // loads every image format plugin to ask each whether it knows the file.
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QImageReader reader(QStringLiteral(":/icons/tarsino-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    QApplication::setWindowIcon(icon);

    platform::LinuxSockets sockets;
    platform::LinuxIcmp icmp;
    platform::LoadedServerBrowser browser(platform::discoveryModulePath());
    platform::LinuxNameResolver resolver;
    platform::SystemEnvironment environment;
    ui::QtToolkit toolkit;

    shell::FormMain window({sockets, icmp, browser, resolver, environment, toolkit});
    window.show();
    return application.exec();
}
