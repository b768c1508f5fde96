#include <QApplication>

#include "host/service/HostApp.h"
#include "host/service/TForm1.h"
#include "platform/Language.h"

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    // The tray and hidden windows must not end the program; only the main window's close does.
    app.setQuitOnLastWindowClosed(false);
    platform::installChineseQtTranslations(app);
    auto host = host::HostApp::create(platform::realServices(QStringLiteral("Korvelo 投影助理")),
                                      host::HostEnv{});
    if (!host) return 0;
    host->Form1()->show();
    return app.exec();
}
