#pragma once
// Desktop services of the presentation timer: music players, the font and
// colour dialogs and the monotonic clock the count is measured against.
#include <memory>

#include "platform/LookDialogs.h"
#include "platform/Media.h"
#include "platform/Monotonic.h"

namespace host {

struct TimerServices {
    std::shared_ptr<platform::MediaSystem> media;
    std::shared_ptr<platform::LookDialogs> lookDialogs;
    std::shared_ptr<platform::MonotonicClock> monotonic;

    // Fills whatever is missing with the real implementations.
    TimerServices completed() const {
        TimerServices t = *this;
        if (!t.media) t.media = platform::makeQtMediaSystem();
        if (!t.lookDialogs) t.lookDialogs = platform::makeQtLookDialogs();
        if (!t.monotonic) t.monotonic = std::make_shared<platform::SteadyClock>();
        return t;
    }
};

}  // namespace host
