#include <QApplication>

#include "host/service/TForm1.h"

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    host::TForm1 form(platform::realServices());
    form.show();
    return app.exec();
}
