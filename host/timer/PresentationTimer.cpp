#include "host/timer/PresentationTimer.h"

#include <QFileInfo>
#include <QTimer>

#include "host/protocol/HostConfig.h"
#include "host/protocol/HostLog.h"
#include "host/protocol/HostUi.h"
#include "host/protocol/PptDriver.h"
#include "platform/KeySequence.h"

namespace host {


PresentationTimer::PresentationTimer(platform::Services services,
                                     std::shared_ptr<platform::MonotonicClock> monotonic, HostUi &ui,
                                     PptDriver &ppt, QObject *parent)
    : QObject(parent), services_(std::move(services)), monotonic_(std::move(monotonic)), ui_(ui), ppt_(ppt) {
    auto make = [this](int ms, void (PresentationTimer::*handler)()) {
        auto *t = new QTimer(this);
        t->setInterval(ms);
        connect(t, &QTimer::timeout, this, handler);
        return t;
    };
    TimerPPTcount = make(1000, &PresentationTimer::TimerPPTcountTimer);
    TimerPPTCount1 = make(50, &PresentationTimer::TimerPPTCount1Timer);
    TimerSlowBlack = make(30, &PresentationTimer::TimerSlowBlackTimer);
}

void PresentationTimer::attach(TimerClock *clock, TimerMusic *music, std::function<TimerOptions()> options) {
    clock_ = clock;
    music_ = music;
    options_ = std::move(options);
}

void PresentationTimer::showCaptions() {
    if (clock_) clock_->showRun(timerInProgress(), TimerPaused);
    emit runChanged();
}

// ---- start and stop -------------------------------------------------------------

bool PresentationTimer::checkTimerStart(const TimerOptions &o) {
    struct Field {
        const QString &text;
        int max;
        const char *message;
        int *out;
    };
    const Field fields[] = {{o.hours, 99, "计时中小时的合法值为0-99", &ClockHours},
                            {o.minutes, 59, "计时中分钟的合法值为0-59", &ClockMinutes},
                            {o.seconds, 59, "计时中秒的合法值为0-59", &ClockSeconds}};
    int values[3];
    for (int i = 0; i < 3; ++i) {
        const auto v = parseWholeNumber(fields[i].text);
        if (!v || *v < 0 || *v > fields[i].max) {
            services_.dialogs->message(QString::fromUtf8(fields[i].message));
            return false;
        }
        values[i] = static_cast<int>(*v);
    }
    const auto delay = parseWholeNumber(o.delay);
    if (!delay || *delay < INT32_MIN || *delay > INT32_MAX) {
        services_.dialogs->message(QStringLiteral("延时秒数须为整数"));
        return false;
    }
    if (const QString error = o.displayError(); !error.isEmpty()) {
        services_.dialogs->message(error);
        return false;
    }
    for (int i = 0; i < 3; ++i) *fields[i].out = values[i];
    StartDelayLeft = static_cast<int>(*delay);
    return true;
}

void PresentationTimer::startOrStop(bool byHand) {
    ui_.setStatus(QString());
    if (!attached()) return;
    if (TimerRunning) {
        // The tick ends the run when it meets the request; a pause ends with it.
        TimerStopRequest = true;
        TimerPaused = false;
        TimerPPTcount->stop();
        showCaptions();
        emit runEnded();
        if (run_.startMusic) music_->stopStartMusic();
        if (run_.display != TimerOptions::Display::Global) clock_->setClockShown(false);
        if (byHand) emit startedByHand();
        return;
    }

    const TimerOptions options = options_();
    if (!checkTimerStart(options)) {
        showCaptions();
        return;
    }
    run_ = options;
    if (byHand) emit startedByHand();
    TimerRunning = true;
    TimerStopRequest = false;  // a request left by the close query or an old run
    TimerDelaying = false;
    showCaptions();
    clock_->setStayOnTop(true);
    clock_->layOut(run_);  // checkTimerStart refused the options it could not lay out
    if (!byHand) {
        // Started by a slide show: bring it in front of the clock again.
        if (const platform::WindowId w = ppt_.findPPTWindow(0)) services_.windows->switchTo(w);
    }
    if (StartDelayLeft > 0) {
        TimerDelaying = true;
        TimerTotalSeconds = std::int64_t{StartDelayLeft} + 1;
        TimerDueSecond = 1;
        TimerStartTick = monotonic_->nowMs();
        clock_->setClockText(QString::number(StartDelayLeft));
        TimerPPTCount1->start();
        return;
    }
    beginCount();
}

void PresentationTimer::beginCount() {
    TimerDelaying = false;
    TimerTotalSeconds = std::int64_t{ClockHours} * 3600 + ClockMinutes * 60 + ClockSeconds + 1;
    TimerDueSecond = 1;
    TimerStartTick = monotonic_->nowMs();
    if (run_.count == TimerOptions::Count::Up) ClockHours = ClockMinutes = ClockSeconds = 0;
    clock_->setClockText(FormatHMS(ClockHours, ClockMinutes, ClockSeconds));
    if (run_.startMusic) music_->playStartMusic();
    TimerPPTCount1->start();
}

void PresentationTimer::consumeTimerStop() {
    TimerRunning = TimerStopRequest = TimerPaused = TimerDelaying = false;
    showCaptions();
}

void PresentationTimer::setPaused(bool paused) {
    TimerPaused = paused;
    showCaptions();
}

// ---- the tick ---------------------------------------------------------------------

void PresentationTimer::TimerPPTCount1Timer() {
    TimerPPTCount1->stop();
    if (!TimerRunning || !attached()) return;
    if (TimerStopRequest) return consumeTimerStop();
    const std::int64_t now = monotonic_->nowMs();

    if (TimerDelaying) {
        // The label shows the delay, one less each second, down to "0".
        if (timeIsUp(now)) return beginCount();
        if (secondDue(now)) {
            if (--StartDelayLeft < 0) return beginCount();
            clock_->setClockText(QString::number(StartDelayLeft));
            ++TimerDueSecond;
        }
        TimerPPTCount1->start();
        return;
    }

    bool waiting = false;
    if (secondDue(now) && !TimerPaused && startOnShow_) waiting = ppt_.findPPTWindow(3) == 0;
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
            stepClock(run_.count == TimerOptions::Count::Down);
            const QString after = FormatHMS(ClockHours, ClockMinutes, ClockSeconds);
            if (after != before) clock_->setClockText(after);
        }
    }
    if (timeIsUp(now)) return timeUp();
    TimerPPTCount1->start();
}

// ---- time-up --------------------------------------------------------------------

void PresentationTimer::timeUp() {
    TimerRunning = TimerStopRequest = TimerDelaying = false;
    showCaptions();
    emit runEnded();
    if (run_.startMusic) music_->stopStartMusic();
    if (run_.display != TimerOptions::Display::Global) {
        switch (run_.timeUp) {
        case TimerOptions::TimeUp::Black:
            clock_->coverScreen(false);
            break;
        case TimerOptions::TimeUp::FadeToBlack:
            clock_->coverScreen(true);
            FadeAlpha = 0;
            TimerSlowBlack->start();
            break;
        case TimerOptions::TimeUp::CloseSlides:
            if (!closeSlidesAtTimeUp()) return;
            break;
        case TimerOptions::TimeUp::Nothing:
            break;
        }
    }
    playTimeUpMusic();
}

bool PresentationTimer::closeSlidesAtTimeUp() {
    clock_->setClockShown(false);
    const platform::WindowId w = ppt_.findPPTWindow(ppt_.currentFileMode());
    if (!w) return false;
    const auto leftOpen = [this] {
        appendTimedLog(ui_, *services_.clock, QStringLiteral("计时结束，PPT窗口不在前台，未关闭幻灯片 "));
        return true;
    };
    services_.windows->switchTo(w);
    // Alt+F4 closes whatever is in front: nothing is pressed into another window.
    if (!ppt_.waitInFront(w)) return leftOpen();
    services_.clock->sleep(100);
    platform::KeySequence(services_).press(platform::vk::Escape, 200);
    // The Esc took the show window away: Alt+F4 only into the file's own window.
    if (!ppt_.fileWindowAfterEsc(ppt_.currentFileMode())) return leftOpen();
    platform::KeySequence keys(services_);
    keys.down(platform::vk::Menu, 100);
    keys.press(platform::vk::F4, 0);
    keys.up(platform::vk::Menu, 0);
    return true;
}

void PresentationTimer::playTimeUpMusic() {
    if (!run_.endMusic || !QFileInfo(run_.endMusicPath).isFile()) return;
    music_->playEndMusic(run_.endMusicPath);
}

void PresentationTimer::TimerSlowBlackTimer() {
    if (FadeAlpha > 255) {
        TimerSlowBlack->stop();
        return;
    }
    if (clock_) clock_->setFade(FadeAlpha);
    ++FadeAlpha;
}

void PresentationTimer::stopFade() { TimerSlowBlack->stop(); }

// ---- slide-show watch and music ------------------------------------------------------

void PresentationTimer::watchShows(bool on) {
    if (!on) return TimerPPTcount->stop();
    LastShowTitle.clear();
    TimerPPTcount->start();
}

void PresentationTimer::TimerPPTcountTimer() {
    TimerPPTcount->stop();
    if (!attached()) return;
    const platform::WindowId w = ppt_.findPPTWindow(3);
    const QString title = w ? services_.windows->title(w).left(254) : QString();
    if (!title.isEmpty() && title != LastShowTitle) {
        if (timerInProgress()) {
            // Another show: this run ends; a second later the watch starts the next.
            startOrStop(false);
        } else if (!TimerRunning) {
            LastShowTitle = title;
            music_->stopEndMusic();
            startOrStop(false);
        }
    }
    // Whichever way this pass went, the watch runs on while its start option holds.
    if (startOnShow_) TimerPPTcount->start();
}

void PresentationTimer::stopMusic() {
    if (!music_) return;
    music_->stopStartMusic();
    music_->stopEndMusic();
}

}  // namespace host
