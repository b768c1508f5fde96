#pragma once
#include <memory>

#include "platform/Platform.h"

namespace platform {

// Opens the X display named by $DISPLAY; nullptr when there is none.
// The window system uses EWMH when a window manager runs, else XQueryTree.
std::shared_ptr<WindowSystem> makeX11WindowSystem();
// Windows are found and keys pressed through X11 only: under a Wayland desktop
// this program, and the presentation program it starts, run as X11 clients
// (Xwayland) unless the user chose otherwise. Call before the application object.
void preferX11Session();
// Keys through XTest, mapped from Windows virtual-key codes; nullptr without a display.
std::shared_ptr<Keyboard> makeX11Keyboard();

}  // namespace platform
