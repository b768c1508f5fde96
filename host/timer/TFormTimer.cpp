#include "host/timer/TFormTimer.h"

namespace host {

TFormTimer::TFormTimer(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormTimer"));
    setWindowTitle(QStringLiteral("计时显示"));
}

}  // namespace host
