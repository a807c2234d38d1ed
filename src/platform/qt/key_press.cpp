#include "platform/qt/key_press.h"

#include <QKeyEvent>

namespace kt {

namespace {

bool IsPadsOwnKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Plus:
    case Qt::Key_Minus:
    case Qt::Key_Asterisk:
    case Qt::Key_Slash:
    case Qt::Key_Period:
    case Qt::Key_Comma: return true;
    default: return qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9;
  }
}

}  // namespace

KeyDown KeyDownFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  Qt::KeyboardModifiers held = modifiers & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier);
  if (modifiers.testFlag(Qt::KeypadModifier) && IsPadsOwnKey(qtKey)) held |= Qt::KeypadModifier;
  switch (qtKey) {
    case Qt::Key_Shift: held |= Qt::ShiftModifier; break;
    case Qt::Key_Alt: held |= Qt::AltModifier; break;
    case Qt::Key_Control: held |= Qt::ControlModifier; break;
    case Qt::Key_Enter: qtKey = Qt::Key_Return; break;
    case Qt::Key_Backtab: qtKey = Qt::Key_Tab; break;
    default: break;
  }
  return {qtKey, held};
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
