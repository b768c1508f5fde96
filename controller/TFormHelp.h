#pragma once
// Help window: the product introduction and the controller's instructions.
#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace pad {

class TFormHelp : public QWidget {
    Q_OBJECT
public:
    explicit TFormHelp(QWidget *parent = nullptr);

    void SpeedButtonSoftClick();
    void SpeedButtonActClick();

    QPushButton *SpeedButtonSoft;
    QPushButton *SpeedButtonAct;
    QPlainTextEdit *MemoSoft;
    QPlainTextEdit *MemoAct;
    QStatusBar *StatusBar1;

    static QString instructionsText();
};

}  // namespace pad
