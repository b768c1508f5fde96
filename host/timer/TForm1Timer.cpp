// The presentation timer's part of the host's main window: start and stop,
// the 50 ms tick (start delay and count), the time-up actions, the fade, the
// slide-show watch and the stop-music button.
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "host/protocol/HostConfig.h"
#include "host/protocol/HostLog.h"
#include "host/protocol/HostService.h"
#include "host/app/TForm1.h"
#include "host/timer/ClockLook.h"
#include "host/timer/TFormSet.h"
#include "host/timer/TFormTimer.h"
#include "platform/KeySequence.h"

namespace host {

namespace {
using namespace caption;
const QString kPlayMusic = QStringLiteral("播放音乐");
}  // namespace

void TForm1::setUpPresentationTimer() {
    auto make = [this](int ms, void (TForm1::*handler)()) {
        auto *t = new QTimer(this);
        t->setInterval(ms);
        connect(t, &QTimer::timeout, this, handler);
        return t;
    };
    TimerPPTcount = make(1000, &TForm1::TimerPPTcountTimer);
    TimerPPTCount1 = make(50, &TForm1::TimerPPTCount1Timer);
    TimerSlowBlack = make(30, &TForm1::TimerSlowBlackTimer);
}

void TForm1::showTimerCaptions() {
    const bool on = timerInProgress();
    SpeedButtontimer->setText(on ? kTimerRunning : kTimerIdle);
    if (FormTimer) FormTimer->SpeedButtonTimer->setText(on ? kClockStop : kClockStart);
}

// ---- start and stop -------------------------------------------------------------

bool TForm1::checkTimerStart() {
    struct Field {
        QLineEdit *edit;
        int max;
        const char *message;
        int *out;
    };
    const Field fields[] = {{FormSet->EditH, 99, "计时中小时的合法值为0-99", &ClockHours},
                            {FormSet->EditM, 59, "计时中分钟的合法值为0-59", &ClockMinutes},
                            {FormSet->EditS, 59, "计时中秒的合法值为0-59", &ClockSeconds}};
    int values[3];
    for (int i = 0; i < 3; ++i) {
        const auto v = parseWholeNumber(fields[i].edit->text());
        if (!v || *v < 0 || *v > fields[i].max) {
            services_.dialogs->message(QString::fromUtf8(fields[i].message));
            return false;
        }
        values[i] = static_cast<int>(*v);
    }
    const auto delay = parseWholeNumber(FormSet->EditDelayTime->text());
    if (!delay || *delay < INT32_MIN || *delay > INT32_MAX) {
        services_.dialogs->message(QStringLiteral("延时秒数须为整数"));
        return false;
    }
    if (const QString error = FormSet->timerDisplayError(); !error.isEmpty()) {
        services_.dialogs->message(error);
        return false;
    }
    for (int i = 0; i < 3; ++i) *fields[i].out = values[i];
    StartDelayLeft = static_cast<int>(*delay);
    return true;
}

void TForm1::SpeedButtontimerClick(QObject *Sender) {
    setStatus(QString());
    if (!FormSet || !FormTimer) return;
    const bool byButton = Sender == SpeedButtontimer;
    const bool startMusic = FormSet->ComboBoxStartMp3->currentText() == kPlayMusic;
    if (TimerRunning) {
        // The tick ends the run when it meets the request.
        TimerStopRequest = true;
        TimerPPTcount->stop();
        SpeedButtontimer->setText(kTimerIdle);
        FormSet->SpeedButtonTimer->setText(kShowClock);
        FormTimer->SpeedButtonTimer->setText(kClockStart);
        FormTimer->SpeedButtonPause->setText(kPause);
        if (startMusic) FormSet->MediaPlayerStart->Stop();
        if (!FormSet->RadioButtonGlobal->isChecked()) FormTimer->hide();
        if (byButton) FormSet->RadioButtonStartOnM->setChecked(true);
        return;
    }

    if (!checkTimerStart()) {
        showTimerCaptions();
        return;
    }
    if (byButton) FormSet->RadioButtonStartOnM->setChecked(true);
    TimerRunning = true;
    TimerStopRequest = false;  // a request left by the close query or an old run
    TimerDelaying = false;
    SpeedButtontimer->setText(kTimerRunning);
    FormTimer->SpeedButtonTimer->setText(kClockStop);
    const bool clockShown = FormTimer->isVisible();
    FormTimer->setStayOnTop(true);
    if (!FormSet->ApplyTimerDisplay()) {
        TimerRunning = false;
        showTimerCaptions();
        FormTimer->setVisible(clockShown);
        return;
    }
    if (!byButton) {
        // Started by a slide show: bring it in front of the clock again.
        if (const platform::WindowId w = service_->ppt().findPPTWindow(0)) services_.windows->switchTo(w);
    }
    if (StartDelayLeft > 0) {
        TimerDelaying = true;
        TimerTotalSeconds = std::int64_t{StartDelayLeft} + 1;
        TimerDueSecond = 1;
        TimerStartTick = env_.timer.monotonic->nowMs();
        FormTimer->setClockText(QString::number(StartDelayLeft));
        TimerPPTCount1->start();
        return;
    }
    beginCount();
}

void TForm1::beginCount() {
    TimerDelaying = false;
    TimerTotalSeconds = std::int64_t{ClockHours} * 3600 + ClockMinutes * 60 + ClockSeconds + 1;
    TimerDueSecond = 1;
    TimerStartTick = env_.timer.monotonic->nowMs();
    if (FormSet->RadioButtonCountUp->isChecked()) ClockHours = ClockMinutes = ClockSeconds = 0;
    FormTimer->setClockText(FormatHMS(ClockHours, ClockMinutes, ClockSeconds));
    if (FormSet->ComboBoxStartMp3->currentText() == kPlayMusic) FormSet->MediaPlayerStart->Play();
    TimerPPTCount1->start();
}

void TForm1::consumeTimerStop() {
    TimerRunning = TimerStopRequest = TimerPaused = TimerDelaying = false;
    if (FormTimer) FormTimer->SpeedButtonPause->setText(kPause);
}

// ---- the tick ---------------------------------------------------------------------

void TForm1::TimerPPTCount1Timer() {
    TimerPPTCount1->stop();
    if (!TimerRunning || !FormSet || !FormTimer) return;
    if (TimerStopRequest) return consumeTimerStop();
    const std::int64_t now = env_.timer.monotonic->nowMs();

    if (TimerDelaying) {
        // The label shows the delay, one less each second, down to "0".
        if (timeIsUp(now)) return beginCount();
        if (secondDue(now)) {
            if (--StartDelayLeft < 0) return beginCount();
            FormTimer->setClockText(QString::number(StartDelayLeft));
            ++TimerDueSecond;
        }
        TimerPPTCount1->start();
        return;
    }

    bool waiting = false;
    if (secondDue(now) && !TimerPaused && FormSet->RadioButtonStartOnPPT->isChecked())
        waiting = service_->ppt().findPPTWindow(3) == 0;
    // The search lets clicks run: a stop made there ends the run before any time-up.
    if (TimerStopRequest) return consumeTimerStop();

    if (secondDue(now)) {
        if (TimerPaused || waiting) {
            // Every second held, however many fell due, moves the time-up later.
            const std::int64_t held = (now - TimerStartTick) / 1000 - TimerDueSecond + 1;
            TimerTotalSeconds += held;
            TimerDueSecond += held;
        } else if (TimerDueSecond < TimerTotalSeconds) {
            // One step per tick; the second of the time-up itself shows nothing new.
            ++TimerDueSecond;
            const QString before = FormatHMS(ClockHours, ClockMinutes, ClockSeconds);
            stepClock(FormSet->RadioButtonCountDown->isChecked());
            const QString after = FormatHMS(ClockHours, ClockMinutes, ClockSeconds);
            if (after != before) FormTimer->setClockText(after);
        }
    }
    if (timeIsUp(now)) return timeUp();
    TimerPPTCount1->start();
}

// ---- time-up --------------------------------------------------------------------

void TForm1::timeUp() {
    TimerRunning = TimerStopRequest = TimerDelaying = false;
    SpeedButtontimer->setText(kTimerIdle);
    FormSet->SpeedButtonTimer->setText(kShowClock);
    FormTimer->SpeedButtonTimer->setText(kClockStart);
    if (FormSet->ComboBoxStartMp3->currentText() == kPlayMusic) FormSet->MediaPlayerStart->Stop();
    if (!FormSet->RadioButtonGlobal->isChecked()) {
        const QString action = FormSet->ComboBox1->currentText();
        if (action == QStringLiteral("黑屏")) {
            FormTimer->coverScreen(false);
        } else if (action == QStringLiteral("逐渐黑屏")) {
            FormTimer->coverScreen(true);
            FadeAlpha = 0;
            TimerSlowBlack->start();
        } else if (action == QStringLiteral("关闭幻灯片")) {
            if (!closeSlidesAtTimeUp()) return;
        }
    }
    playTimeUpMusic();
}

bool TForm1::closeSlidesAtTimeUp() {
    FormTimer->hide();
    PptDriver &ppt = service_->ppt();
    const platform::WindowId w = ppt.findPPTWindow(ppt.currentFileMode());
    if (!w) return false;
    const auto leftOpen = [this] {
        appendTimedLog(*this, *services_.clock, QStringLiteral("计时结束，PPT窗口不在前台，未关闭幻灯片 "));
        return true;
    };
    services_.windows->switchTo(w);
    // Alt+F4 closes whatever is in front: nothing is pressed into another window.
    if (!ppt.waitInFront(w)) return leftOpen();
    services_.clock->sleep(100);
    platform::KeySequence(services_).press(platform::vk::Escape, 200);
    // The Esc took the show window away: Alt+F4 only into the file's own window.
    if (!ppt.fileWindowAfterEsc(ppt.currentFileMode())) return leftOpen();
    platform::KeySequence keys(services_);
    keys.down(platform::vk::Menu, 100);
    keys.press(platform::vk::F4, 0);
    keys.up(platform::vk::Menu, 0);
    return true;
}

void TForm1::playTimeUpMusic() {
    if (FormSet->ComboBox2->currentText() != kPlayMusic) return;
    const QString path = FormSet->EditMp3->text();
    if (!QFileInfo(path).isFile()) return;
    TMediaPlayer *player = FormSet->MediaPlayerEnd;
    player->setFileName(path);
    // Plays once the back end has loaded it: the time-up does not wait for it
    // (a wait would let other commands run in its middle).
    player->Open(true);
}

void TForm1::TimerSlowBlackTimer() {
    if (FadeAlpha > 255) {
        TimerSlowBlack->stop();
        return;
    }
    if (FormTimer) FormTimer->layers().setAlphaBlendValue(FadeAlpha);
    ++FadeAlpha;
}

// ---- slide-show watch and music ------------------------------------------------------

void TForm1::TimerPPTcountTimer() {
    TimerPPTcount->stop();
    if (!FormSet) return;
    const platform::WindowId w = service_->ppt().findPPTWindow(3);
    const QString title = w ? services_.windows->title(w).left(254) : QString();
    if (!title.isEmpty() && title != LastShowTitle) {
        if (SpeedButtontimer->text() == kTimerRunning) {
            // Another show: this run ends; a second later the watch starts the next.
            SpeedButtontimerClick(TimerPPTcount);
        } else if (!TimerRunning) {
            LastShowTitle = title;
            FormSet->MediaPlayerEnd->Stop();
            SpeedButtontimerClick(TimerPPTcount);
        }
    }
    // Whichever way this pass went, the watch runs on while its start option holds.
    if (FormSet->RadioButtonStartOnPPT->isChecked()) TimerPPTcount->start();
}

void TForm1::SpeedButtonStopMp3Click() {
    if (!FormSet) return;
    FormSet->MediaPlayerStart->Stop();
    FormSet->MediaPlayerEnd->Stop();
}

}  // namespace host
