#include "host/setup/TFormWorkDir.h"

namespace host {

TFormWorkDir::TFormWorkDir(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormWorkDir"));
    setWindowTitle(QStringLiteral("程序安放"));
}

}  // namespace host
