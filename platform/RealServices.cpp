#include "platform/Platform.h"
#include "platform/QtServices.h"
#include "platform/X11Services.h"

namespace platform {

Services realServices(const QString &caption) {
    Services s;
    s.windows = makeX11WindowSystem();
    if (!s.windows) s.windows = std::make_shared<NullWindowSystem>();
    s.keyboard = makeX11Keyboard();
    if (!s.keyboard) s.keyboard = std::make_shared<NullKeyboard>();
    s.screens = std::make_shared<QtScreens>();
    s.shell = std::make_shared<QtShell>();
    s.clock = std::make_shared<SystemClock>();
    s.address = std::make_shared<InterfaceAddress>();
    s.dialogs = std::make_shared<QtDialogs>(caption);
    return s;
}

}  // namespace platform
