#pragma once
// The hidden log boxes are emptied once they hold more than 1000 lines, as
// the host empties its own, so what a peer sends cannot make them grow.
#include <QPlainTextEdit>
#include <QTextDocument>

namespace pad {

inline constexpr int kLogCap = 1000;

inline void appendLog(QPlainTextEdit *box, const QString &line) {
    if (box->document()->blockCount() > kLogCap) box->clear();
    box->appendPlainText(line);
}

}  // namespace pad
