#include "platform/VkKeysym.h"

#include <X11/keysym.h>

#include "platform/VirtualKeys.h"

namespace platform {

unsigned long keysymForVk(int code) {
    // Letter and digit keys name the key, not the character: unshifted keysyms.
    if (code >= 'A' && code <= 'Z') return XK_a + (code - 'A');
    if (code >= '0' && code <= '9') return XK_0 + (code - '0');
    if (code >= vk::Numpad0 && code <= vk::Numpad9) return XK_KP_0 + (code - vk::Numpad0);
    if (code >= vk::F1 && code <= vk::F24) return XK_F1 + (code - vk::F1);
    switch (code) {
    case vk::Back: return XK_BackSpace;
    case vk::Tab: return XK_Tab;
    case vk::Clear: return XK_Clear;
    case vk::Return: return XK_Return;
    case vk::Shift: return XK_Shift_L;
    case vk::Control: return XK_Control_L;
    case vk::Menu: return XK_Alt_L;
    case vk::Pause: return XK_Pause;
    case vk::Capital: return XK_Caps_Lock;
    case vk::Escape: return XK_Escape;
    case vk::Space: return XK_space;
    case vk::Prior: return XK_Prior;
    case vk::Next: return XK_Next;
    case vk::End: return XK_End;
    case vk::Home: return XK_Home;
    case vk::Left: return XK_Left;
    case vk::Up: return XK_Up;
    case vk::Right: return XK_Right;
    case vk::Down: return XK_Down;
    case vk::Snapshot: return XK_Print;
    case vk::Insert: return XK_Insert;
    case vk::Delete: return XK_Delete;
    case vk::LWin: return XK_Super_L;
    case vk::RWin: return XK_Super_R;
    case vk::Apps: return XK_Menu;
    case vk::Multiply: return XK_KP_Multiply;
    case vk::Add: return XK_KP_Add;
    case vk::Separator: return XK_KP_Separator;
    case vk::Subtract: return XK_KP_Subtract;
    case vk::Decimal: return XK_KP_Decimal;
    case vk::Divide: return XK_KP_Divide;
    case vk::NumLock: return XK_Num_Lock;
    case vk::Scroll: return XK_Scroll_Lock;
    case vk::LShift: return XK_Shift_L;
    case vk::RShift: return XK_Shift_R;
    case vk::LControl: return XK_Control_L;
    case vk::RControl: return XK_Control_R;
    case vk::LMenu: return XK_Alt_L;
    case vk::RMenu: return XK_Alt_R;
    case vk::Oem1: return XK_semicolon;
    case vk::OemPlus: return XK_equal;
    case vk::OemComma: return XK_comma;
    case vk::OemMinus: return XK_minus;
    case vk::OemPeriod: return XK_period;
    case vk::Oem2: return XK_slash;
    case vk::Oem3: return XK_grave;
    case vk::Oem4: return XK_bracketleft;
    case vk::Oem5: return XK_backslash;
    case vk::Oem6: return XK_bracketright;
    case vk::Oem7: return XK_apostrophe;
    default: return 0;
    }
}

}  // namespace platform
