#pragma once
// The presentation timer's state, kept by the host's main window. Times are
// milliseconds of the monotonic clock; a run counts whole seconds from
// TimerStartTick.
#include <QString>

#include <cstdint>

namespace host {

struct TimerState {
    bool TimerRunning = false;      // a run is in progress (delay or count)
    bool TimerStopRequest = false;  // a stop waits for the next tick
    bool TimerPaused = false;
    bool TimerDelaying = false;     // the run is in its start delay
    std::int64_t TimerStartTick = 0;
    std::int64_t TimerTotalSeconds = 0;  // seconds from TimerStartTick to the time-up
    std::int64_t TimerDueSecond = 0;     // the next whole second at which the clock steps
    int ClockHours = 0, ClockMinutes = 0, ClockSeconds = 0;  // what the clock shows
    int StartDelayLeft = 0;
    int FadeAlpha = 0;
    QString LastShowTitle;

    // A run that no stop request has ended yet.
    bool timerInProgress() const { return TimerRunning && !TimerStopRequest; }
    bool secondDue(std::int64_t now) const { return now >= TimerStartTick + TimerDueSecond * 1000; }
    bool timeIsUp(std::int64_t now) const { return now > TimerStartTick + TimerTotalSeconds * 1000; }
    // One second of the clock, down or up.
    void stepClock(bool countDown);
};

}  // namespace host
