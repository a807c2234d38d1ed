// Qt's key events as the player's key handlers take them: the key pressed
// with the exact set of Shift, Alt and Ctrl (and whether it is one of the
// numeric pad's own keys), and the 8-bit character the key types. Both
// windows translate through here, so the key table sees one key the same
// way whichever window had the focus.
#pragma once

#include <Qt>
#include <optional>

class QKeyEvent;

namespace kt {

// The modifiers a key table row is matched against, compared whole: only
// Shift, Alt, Ctrl and the pad's flag, nothing else Qt may report. The pad's
// flag stays only on the keys the pad has of its own (digits and signs); the
// pad's Enter is Return, its arrows the arrows. A modifier key's own press
// counts itself as held.
struct KeyDown {
  int key = 0;  // a Qt::Key
  Qt::KeyboardModifiers modifiers;
  bool operator==(const KeyDown&) const = default;
};
KeyDown KeyDownFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

// The character the key types, as the character event delivers it: none
// while Alt is held, none for keys that type nothing (Shift, the arrows,
// function keys, Delete), none outside the 8-bit range.
std::optional<char> TypedCharacter(const QKeyEvent& event);

}  // namespace kt
