#include "controller/TForm1.h"

namespace pad {

TForm1::TForm1(platform::Services services, QWidget *parent)
    : QWidget(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Korvelo投影助理"));
    resize(171, 300);
}

}  // namespace pad
