#pragma once
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace pad {

// A typed or pasted line break is refused: sent in a command, it would make
// the rest of the field a command of its own.
inline void refuseLineBreaks(QLineEdit *e) {
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\r\\n]*")), e));
}

}  // namespace pad
