#pragma once
// Keys go to the host as Windows virtual-key codes ("VD" + code). Qt's own key
// numbers mean nothing there, so every forwarded key passes this table.
#include <Qt>

namespace pad {

// Windows virtual-key code of a Qt key, or 0 when the key has none (not forwarded).
// The keypad modifier picks the keypad codes for digits and operators.
int toVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

}  // namespace pad
