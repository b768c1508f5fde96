#include "platform/Language.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
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

void preferPlainChineseFont() {
    QFont f = QGuiApplication::font();
    f.setFamilies({f.family(), QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("Noto Sans SC")});
    QGuiApplication::setFont(f);
}

}  // namespace platform
