// Qt's key events as the player's key handlers take them: a Windows
// virtual-key code with the exact set of Shift, Alt and Ctrl, and the
// 8-bit character a key types. The key tables are written against these
// codes, so both windows translate through here.
#pragma once

#include <Qt>
#include <cstdint>
#include <optional>

class QKeyEvent;

namespace kt {

// The modifier set, compared whole: Alt alone is kAltKey, nothing held is 0.
enum ShiftFlag : int { kShiftKey = 1, kAltKey = 2, kCtrlKey = 4 };
using ShiftState = int;

namespace vk {
inline constexpr uint16_t Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11, Menu = 0x12,
                          Pause = 0x13, Capital = 0x14, Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22,
                          End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D,
                          Delete = 0x2E, Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B, Subtract = 0x6D, Decimal = 0x6E,
                          Divide = 0x6F, F1 = 0x70, NumLock = 0x90, Scroll = 0x91, Oem1 = 0xBA, OemPlus = 0xBB,
                          OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE, Oem2 = 0xBF, Oem3 = 0xC0, Oem4 = 0xDB,
                          Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE;
}  // namespace vk

// The virtual-key code of a Qt key; keys of the numeric pad get the pad's
// own codes. 0 for keys that have none.
uint16_t VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

// The modifier set held. A modifier key's own press counts itself as held.
ShiftState ShiftStateFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

// The character the key types, as the character event delivers it: none
// while Alt is held, none for keys that type nothing (Shift, the arrows,
// function keys, Delete), none outside the 8-bit range.
std::optional<char> TypedCharacter(const QKeyEvent& event);

}  // namespace kt
