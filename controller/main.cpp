#include <QApplication>

#include "controller/TForm1.h"

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    pad::TForm1 form(platform::realServices());
    form.show();
    return app.exec();
}
