#include <QApplication>

#include "common/Text.h"
#include "controller/TForm1.h"
#include "platform/Language.h"
#include "platform/X11Services.h"

int main(int argc, char **argv) {
    platform::preferX11Session();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    platform::installChineseQtTranslations(app);
    platform::preferPlainChineseFont();
    pad::TForm1 form(platform::realServices(QStringLiteral("Korvelo投影助理")),
                     QCoreApplication::applicationDirPath());
    // A forced own address is this controller's identity: a second controller
    // on the same PC (127.0.0.2) is then a client of its own.
    const QString own = kv::normalizedIPv4(qEnvironmentVariable("KV_LOCAL_IPV4"));
    if (!own.isEmpty()) form.bindSocketsTo(own);
    QObject::connect(&form, &pad::TForm1::programEnd, &app, &QCoreApplication::quit);
    form.show();
    return app.exec();
}
