#include "platform/X11Services.h"

namespace platform {

std::shared_ptr<WindowSystem> makeX11WindowSystem() { return nullptr; }
std::shared_ptr<Keyboard> makeX11Keyboard() { return nullptr; }

}  // namespace platform
