#include "host/lots/TFormChouqian.h"

namespace host {

TFormChouqian::TFormChouqian(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormChouqian"));
    setWindowTitle(QStringLiteral("Korvelo投影助理  抽签"));
}

}  // namespace host
