#include "platform/DisplayPanel.h"
#include "platform/Platform.h"
#include "platform/QtServices.h"
#include "platform/X11Services.h"

namespace platform {

Services realServices() {
    Services s;
    s.windows = makeX11WindowSystem();
    if (!s.windows) s.windows = std::make_shared<NullWindowSystem>();
    s.keyboard = makeX11Keyboard();
    if (!s.keyboard) s.keyboard = std::make_shared<NullKeyboard>();
    // Read from the server itself where Qt draws on X: right at once after the
    // display panel changed the outputs.
    s.screens = makeXRandrScreens();
    if (!s.screens) s.screens = std::make_shared<QtScreens>();
    s.shell = std::make_shared<QtShell>();
    s.clock = std::make_shared<SystemClock>();
    s.address = std::make_shared<InterfaceAddress>();
    s.dialogs = std::make_shared<QtDialogs>();
    return s;
}

}  // namespace platform
