#include "host/service/TForm1.h"

namespace host {

TForm1::TForm1(platform::Services services, QWidget *parent)
    : QWidget(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Korvelo 投影助理 启动"));
    resize(480, 360);
}

}  // namespace host
