#pragma once
// The fakes with the desktop made real: X11 windows and XTest keys on the
// current DISPLAY, and real time, so sleeps separate the key events.
#include <memory>

#include "tests/support/Fakes.h"
#include "platform/QtServices.h"
#include "platform/X11Services.h"

namespace kvtest {

inline platform::Services withRealX11(const platform::FakeServices &fakes) {
    platform::Services services = fakes.services();
    services.windows = platform::makeX11WindowSystem();
    services.keyboard = platform::makeX11Keyboard();
    services.clock = std::make_shared<platform::SystemClock>();
    return services;
}

}  // namespace kvtest
