#include <QApplication>

#include "controller/TForm1.h"

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    pad::TForm1 form(platform::realServices(), QCoreApplication::applicationDirPath());
    QObject::connect(&form, &pad::TForm1::programEnd, &app, &QCoreApplication::quit);
    form.show();
    return app.exec();
}
