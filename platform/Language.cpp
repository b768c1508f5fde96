#include "platform/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

bool installChineseQtTranslations(QCoreApplication &app) {
    auto *t = new QTranslator(&app);
    // qt_zh_CN pulls in the catalogues of the Qt modules (qtbase_zh_CN, ...).
    if (!t->load(QStringLiteral("qt_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    return app.installTranslator(t);
}

}  // namespace platform
