#include "host/setup/TFormHelp.h"

namespace host {

TFormHelp::TFormHelp(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(QStringLiteral("Korvelo投影助理 帮助 "));
}

}  // namespace host
