#pragma once
// Answer window: another controller asks for control; agree, refuse or ignore.
#include <QWidget>

#include "platform/Platform.h"

class QLabel;
class QPushButton;
class QTimer;

namespace pad {

class ControlClient;

class TFormAnswer : public QWidget {
    Q_OBJECT
public:
    TFormAnswer(ControlClient *client, platform::Services services, QWidget *parent = nullptr);

    // An "s_ask" for applicant: show (or update) the question and start the 30 s timer.
    void showRequest(const QString &applicant);

    void SpeedButtonAgreeClick();
    void SpeedButtonRejectClick();
    void SpeedButtonIgnoreClick();
    void Timer1AutoCloseTimer();

    QLabel *Label1;
    QLabel *Label2;
    QPushButton *SpeedButtonAgree;
    QPushButton *SpeedButtonReject;
    QPushButton *SpeedButtonIgnore;
    QTimer *Timer1AutoClose;

    static constexpr int kAutoCloseMs = 30000;
    static constexpr int kWidth = 430, kHeight = 230;

protected:
    void hideEvent(QHideEvent *e) override;

private:
    void centreOnScreen();
    void answer(const QByteArray &word);

    ControlClient *client_;
    platform::Services services_;
};

}  // namespace pad
