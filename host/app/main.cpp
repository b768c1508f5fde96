#include <QApplication>

#include <csignal>

#include "host/app/HostApp.h"
#include "host/app/TForm1.h"
#include "platform/DisplayPanel.h"
#include "platform/Language.h"
#include "platform/X11Services.h"

int main(int argc, char **argv) {
    // A file size limit fails an upload's write instead of ending the host.
    std::signal(SIGXFSZ, SIG_IGN);
    platform::preferX11Session();
    QApplication app(argc, argv);
    // The tray and hidden windows must not end the program; only the main window's close does.
    app.setQuitOnLastWindowClosed(false);
    platform::installChineseQtTranslations(app);
    platform::preferPlainChineseFont();
    platform::Services services = platform::realServices(QStringLiteral("Korvelo 投影助理"));
    // Screen widths from the X server itself: right at once after the display
    // panel changed the monitors, before Qt has handled the news.
    if (auto screens = platform::makeXRandrScreens()) services.screens = screens;
    auto host = host::HostApp::create(services, host::HostEnv{});
    if (!host) return 0;
    host->Form1()->show();
    return app.exec();
}
