#include "platform/qt/virtual_keys.h"

#include <QKeyEvent>

namespace kt {

namespace {

// The main keyboard's signs, with or without Shift, on the US layout the
// key tables were written for.
uint16_t SignKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Space: return vk::Space;
    case Qt::Key_Plus:
    case Qt::Key_Equal: return vk::OemPlus;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return vk::OemMinus;
    case Qt::Key_Comma:
    case Qt::Key_Less: return vk::OemComma;
    case Qt::Key_Period:
    case Qt::Key_Greater: return vk::OemPeriod;
    case Qt::Key_Slash:
    case Qt::Key_Question: return vk::Oem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return vk::Oem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return vk::Oem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return vk::Oem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return vk::Oem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return vk::Oem7;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return vk::Oem1;
    // Shift with a digit reports the sign; the key is still the digit's.
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
  }
}

uint16_t KeypadKey(int qtKey) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<uint16_t>(vk::Numpad0 + (qtKey - Qt::Key_0));
  switch (qtKey) {
    case Qt::Key_Plus: return vk::Add;
    case Qt::Key_Minus: return vk::Subtract;
    case Qt::Key_Asterisk: return vk::Multiply;
    case Qt::Key_Slash: return vk::Divide;
    case Qt::Key_Period:
    case Qt::Key_Comma: return vk::Decimal;
    default: return 0;  // the pad's arrows and Enter are the main keys' codes
  }
}

uint16_t ControlKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Backspace: return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vk::Return;
    case Qt::Key_Shift: return vk::Shift;
    case Qt::Key_Control: return vk::Control;
    case Qt::Key_Alt: return vk::Menu;
    case Qt::Key_Pause: return vk::Pause;
    case Qt::Key_CapsLock: return vk::Capital;
    case Qt::Key_Escape: return vk::Escape;
    case Qt::Key_PageUp: return vk::Prior;
    case Qt::Key_PageDown: return vk::Next;
    case Qt::Key_End: return vk::End;
    case Qt::Key_Home: return vk::Home;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Insert: return vk::Insert;
    case Qt::Key_Delete: return vk::Delete;
    case Qt::Key_NumLock: return vk::NumLock;
    case Qt::Key_ScrollLock: return vk::Scroll;
    default: break;
  }
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<uint16_t>(vk::F1 + (qtKey - Qt::Key_F1));
  return 0;
}

}  // namespace

uint16_t VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (modifiers.testFlag(Qt::KeypadModifier)) {
    if (const uint16_t pad = KeypadKey(qtKey)) return pad;
  }
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
    return static_cast<uint16_t>(qtKey);
  }
  if (const uint16_t control = ControlKey(qtKey)) return control;
  return SignKey(qtKey);
}

ShiftState ShiftStateFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  ShiftState shift = 0;
  if (modifiers.testFlag(Qt::ShiftModifier) || qtKey == Qt::Key_Shift) shift |= kShiftKey;
  if (modifiers.testFlag(Qt::AltModifier) || qtKey == Qt::Key_Alt) shift |= kAltKey;
  if (modifiers.testFlag(Qt::ControlModifier) || qtKey == Qt::Key_Control) shift |= kCtrlKey;
  return shift;
}

std::optional<char> TypedCharacter(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if (modifiers.testFlag(Qt::AltModifier)) return std::nullopt;
  const int key = event.key();
  switch (key) {
    case Qt::Key_Backspace: return modifiers.testFlag(Qt::ControlModifier) ? '\x7f' : '\b';
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return '\t';
    case Qt::Key_Return:
    case Qt::Key_Enter: return modifiers.testFlag(Qt::ControlModifier) ? '\n' : '\r';
    case Qt::Key_Escape: return '\x1b';
    case Qt::Key_Delete: return std::nullopt;
    default: break;
  }
  if (modifiers.testFlag(Qt::ControlModifier)) {
    // With Ctrl only letters and a few signs type, as control codes.
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<char>(key - Qt::Key_A + 1);
    if (key == Qt::Key_BracketLeft) return '\x1b';
    if (key == Qt::Key_Backslash) return '\x1c';
    if (key == Qt::Key_BracketRight) return '\x1d';
    return std::nullopt;
  }
  const QString text = event.text();
  if (text.isEmpty()) return std::nullopt;
  const char16_t code = text.front().unicode();
  if (code < 0x20 || code == 0x7f || code > 0xff) return std::nullopt;
  return static_cast<char>(static_cast<unsigned char>(code));
}

}  // namespace kt
