#pragma once
// One-line fields of both programs.
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace platform {

// A typed or pasted line break is refused: sent in a command, it would make
// the rest of the field a command of its own; written to a file, a line of its own.
inline void refuseLineBreaks(QLineEdit *e) {
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\r\\n]*")), e));
}

}  // namespace platform
