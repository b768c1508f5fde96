#pragma once
// The presentation timer: start delay, count down or up, pause, the time-up
// actions, the fade and the slide-show watch. It reads its options on each
// start and drives the clock and the music through their interfaces; the
// main window owns it and its buttons call it.
#include <QObject>

#include <functional>
#include <memory>

#include "host/timer/TimerOptions.h"
#include "host/timer/TimerState.h"
#include "platform/Monotonic.h"
#include "platform/Platform.h"

class QTimer;

namespace host {

class HostUi;
class PptDriver;

class PresentationTimer : public QObject, public TimerState {
    Q_OBJECT
public:
    PresentationTimer(platform::Services services, std::shared_ptr<platform::MonotonicClock> monotonic,
                      HostUi &ui, PptDriver &ppt, QObject *parent = nullptr);

    // The clock, the music and where each start reads its options; until they
    // are attached (and after a detach) the timer neither starts nor ticks.
    void attach(TimerClock *clock, TimerMusic *music, std::function<TimerOptions()> options);
    bool attached() const { return clock_ && music_ && options_; }

    // Starts a run or stops the one in progress. byHand: a button or a
    // command, which also makes the start manual; else the slide-show watch.
    void startOrStop(bool byHand);
    void setPaused(bool paused);
    void stopMusic();
    void stopFade();
    // The start option "on a slide show": the count waits while no show is
    // on, and the watch runs on after each pass.
    void setStartOnShow(bool on) { startOnShow_ = on; }
    // Starts the watch afresh (any show counts as new) or stops it.
    void watchShows(bool on);
    // The start/stop and pause captions as the run stands.
    void showCaptions();

    void TimerPPTCount1Timer();  // the 50 ms tick
    void TimerPPTcountTimer();   // the slide-show watch
    void TimerSlowBlackTimer();  // one step of the fade

    QTimer *TimerPPTcount, *TimerPPTCount1, *TimerSlowBlack;

signals:
    // The run started or ended (the captions follow timerInProgress()).
    void runChanged();
    // The run ended: by a stop or at the time-up.
    void runEnded();
    // A start or stop by hand: the start option turns manual.
    void startedByHand();

private:
    bool checkTimerStart(const TimerOptions &o);
    void beginCount();
    void consumeTimerStop();
    void timeUp();
    bool closeSlidesAtTimeUp();
    void playTimeUpMusic();

    platform::Services services_;
    std::shared_ptr<platform::MonotonicClock> monotonic_;
    HostUi &ui_;
    PptDriver &ppt_;
    TimerClock *clock_ = nullptr;
    TimerMusic *music_ = nullptr;
    std::function<TimerOptions()> options_;
    TimerOptions run_;  // the options of the run in progress
    bool startOnShow_ = false;
};

}  // namespace host
