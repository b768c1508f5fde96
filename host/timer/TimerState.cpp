#include "host/timer/TimerState.h"

namespace host {

QString FormatHMS(int hours, int minutes, int seconds) {
    auto field = [](int v) { return (QLatin1Char('0') + QString::number(v)).right(2); };
    return field(hours) + QLatin1Char(':') + field(minutes) + QLatin1Char(':') + field(seconds);
}

void TimerState::stepClock(bool countDown) {
    if (countDown) {
        if (ClockSeconds > 0) {
            --ClockSeconds;
        } else if (ClockMinutes > 0) {
            --ClockMinutes;
            ClockSeconds = 59;
        } else if (ClockHours > 0) {
            --ClockHours;
            ClockMinutes = ClockSeconds = 59;
        }
        return;
    }
    if (ClockSeconds < 59) {
        ++ClockSeconds;
    } else if (ClockMinutes < 59) {
        ++ClockMinutes;
        ClockSeconds = 0;
    } else {
        ++ClockHours;
        ClockMinutes = ClockSeconds = 0;
    }
}

}  // namespace host
