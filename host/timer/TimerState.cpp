#include "host/timer/TimerState.h"

namespace host {

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
