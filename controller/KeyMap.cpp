#include "controller/KeyMap.h"

#include <unordered_map>

#include "platform/VirtualKeys.h"

namespace pad {

namespace {

namespace vk = platform::vk;

const std::unordered_map<int, int> &mainTable() {
    static const std::unordered_map<int, int> table = {
        {Qt::Key_Backspace, vk::Back}, {Qt::Key_Tab, vk::Tab}, {Qt::Key_Backtab, vk::Tab},
        {Qt::Key_Clear, vk::Clear}, {Qt::Key_Return, vk::Return}, {Qt::Key_Enter, vk::Return},
        {Qt::Key_Shift, vk::Shift}, {Qt::Key_Control, vk::Control}, {Qt::Key_Alt, vk::Menu},
        {Qt::Key_AltGr, vk::Menu}, {Qt::Key_Pause, vk::Pause}, {Qt::Key_CapsLock, vk::Capital},
        {Qt::Key_Escape, vk::Escape}, {Qt::Key_Space, vk::Space}, {Qt::Key_PageUp, vk::Prior},
        {Qt::Key_PageDown, vk::Next}, {Qt::Key_End, vk::End}, {Qt::Key_Home, vk::Home},
        {Qt::Key_Left, vk::Left}, {Qt::Key_Up, vk::Up}, {Qt::Key_Right, vk::Right},
        {Qt::Key_Down, vk::Down}, {Qt::Key_Print, vk::Snapshot}, {Qt::Key_Insert, vk::Insert},
        {Qt::Key_Delete, vk::Delete}, {Qt::Key_Help, vk::Help}, {Qt::Key_Meta, vk::LWin},
        {Qt::Key_Super_L, vk::LWin}, {Qt::Key_Super_R, vk::RWin}, {Qt::Key_Menu, vk::Apps},
        {Qt::Key_NumLock, vk::NumLock}, {Qt::Key_ScrollLock, vk::Scroll},
        // Punctuation by the key that carries it on a US layout, shifted or not.
        {Qt::Key_Semicolon, vk::Oem1}, {Qt::Key_Colon, vk::Oem1}, {Qt::Key_Equal, vk::OemPlus},
        {Qt::Key_Plus, vk::OemPlus}, {Qt::Key_Comma, vk::OemComma}, {Qt::Key_Less, vk::OemComma},
        {Qt::Key_Minus, vk::OemMinus}, {Qt::Key_Underscore, vk::OemMinus},
        {Qt::Key_Period, vk::OemPeriod}, {Qt::Key_Greater, vk::OemPeriod},
        {Qt::Key_Slash, vk::Oem2}, {Qt::Key_Question, vk::Oem2}, {Qt::Key_QuoteLeft, vk::Oem3},
        {Qt::Key_AsciiTilde, vk::Oem3}, {Qt::Key_BracketLeft, vk::Oem4},
        {Qt::Key_BraceLeft, vk::Oem4}, {Qt::Key_Backslash, vk::Oem5}, {Qt::Key_Bar, vk::Oem5},
        {Qt::Key_BracketRight, vk::Oem6}, {Qt::Key_BraceRight, vk::Oem6},
        {Qt::Key_Apostrophe, vk::Oem7}, {Qt::Key_QuoteDbl, vk::Oem7},
        // Shifted digits keep their digit key.
        {Qt::Key_ParenRight, vk::key('0')}, {Qt::Key_Exclam, vk::key('1')},
        {Qt::Key_At, vk::key('2')}, {Qt::Key_NumberSign, vk::key('3')},
        {Qt::Key_Dollar, vk::key('4')}, {Qt::Key_Percent, vk::key('5')},
        {Qt::Key_AsciiCircum, vk::key('6')}, {Qt::Key_Ampersand, vk::key('7')},
        {Qt::Key_Asterisk, vk::key('8')}, {Qt::Key_ParenLeft, vk::key('9')},
    };
    return table;
}

}  // namespace

int toVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return vk::Numpad0 + (qtKey - Qt::Key_0);
        switch (qtKey) {
        case Qt::Key_Asterisk: return vk::Multiply;
        case Qt::Key_Plus: return vk::Add;
        case Qt::Key_Minus: return vk::Subtract;
        case Qt::Key_Period: case Qt::Key_Comma: return vk::Decimal;
        case Qt::Key_Slash: return vk::Divide;
        default: break;  // keypad Enter, arrows etc. share the main codes
        }
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return vk::key('0') + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return vk::key('A') + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return vk::F1 + (qtKey - Qt::Key_F1);
    auto it = mainTable().find(qtKey);
    return it == mainTable().end() ? 0 : it->second;
}

}  // namespace pad
