#pragma once
// Windows virtual-key codes: the key numbers on the wire ("VD" + code) and
// the ones the keyboard presses. Letters and digits are their upper-case
// ASCII codes ('A', '0').

namespace platform::vk {

constexpr int Back = 8, Tab = 9, Clear = 12, Return = 13, Shift = 16, Control = 17, Menu = 18,
              Pause = 19, Capital = 20, Escape = 27, Space = 32, Prior = 33, Next = 34, End = 35,
              Home = 36, Left = 37, Up = 38, Right = 39, Down = 40, Snapshot = 44, Insert = 45,
              Delete = 46, Help = 47, LWin = 91, RWin = 92, Apps = 93;
constexpr int Numpad0 = 96, Numpad2 = 98, Numpad9 = 105, Multiply = 106, Add = 107,
              Separator = 108, Subtract = 109, Decimal = 110, Divide = 111;
constexpr int F1 = 112, F4 = 115, F5 = 116, F24 = 135;
constexpr int NumLock = 144, Scroll = 145, LShift = 160, RShift = 161, LControl = 162,
              RControl = 163, LMenu = 164, RMenu = 165;
// Punctuation keys as a US layout carries them.
constexpr int Oem1 = 186 /* ;: */, OemPlus = 187, OemComma = 188, OemMinus = 189,
              OemPeriod = 190, Oem2 = 191 /* /? */, Oem3 = 192 /* `~ */, Oem4 = 219 /* [{ */,
              Oem5 = 220 /* \| */, Oem6 = 221 /* ]} */, Oem7 = 222 /* '" */;

// The code of a letter or digit key, named by its upper-case character.
constexpr int key(char upperOrDigit) { return upperOrDigit; }

}  // namespace platform::vk
