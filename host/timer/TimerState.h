#pragma once
// The presentation timer's state, kept by the host's main window. Times are
// milliseconds of the monotonic clock; a run counts whole seconds from
// TimerStartTick.
#include <QString>

#include <cstdint>

namespace host {

// Captions that carry the timer's state: the main window's timer button, the
// clock's start/stop and pause buttons, the settings window's clock button.
namespace caption {
inline const QString kTimerIdle = QStringLiteral("手动计时");
inline const QString kTimerRunning = QStringLiteral("中止");
inline const QString kClockStart = QStringLiteral("开始");
inline const QString kClockStop = QStringLiteral("停止");
inline const QString kPause = QStringLiteral("暂停");
inline const QString kResume = QStringLiteral("恢复");
inline const QString kShowClock = QStringLiteral("显示");
inline const QString kHideClock = QStringLiteral("关闭");
}  // namespace caption

// "hh:mm:ss": each value as "0" and its digits, of which the last two count.
QString FormatHMS(int hours, int minutes, int seconds);

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
