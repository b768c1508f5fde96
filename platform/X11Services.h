#pragma once
#include <memory>

#include "platform/Platform.h"

namespace platform {

// Opens the X display named by $DISPLAY; nullptr when there is none.
// The window system uses EWMH when a window manager runs, else XQueryTree.
std::shared_ptr<WindowSystem> makeX11WindowSystem();
// Keys through XTest, mapped from Windows virtual-key codes; nullptr without a display.
std::shared_ptr<Keyboard> makeX11Keyboard();

}  // namespace platform
