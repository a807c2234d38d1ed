// The keys of both windows, one row a key: what it is, what it does to the
// control panel, and the line --help and the manual give it. FormKeyDown and
// FormKeyPress look their key up here, and the help texts list the rows in
// their order, so a key cannot work one way and be described another.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "control/options.h"
#include "platform/qt/key_press.h"

class QToolButton;

namespace Ui {
class ControlPanel;
}

namespace kt {

class ControlPanel;

// Which handler sees the key: FormKeyDown, a Qt key with its modifiers,
// or FormKeyPress, the character typed.
enum class KeyEvent { Down, Typed };

struct KeyTrigger {
  KeyEvent event = KeyEvent::Typed;
  int key = 0;                      // the Qt::Key, or the character typed in upper case
  Qt::KeyboardModifiers modifiers;  // compared whole (see KeyDownFromQt); a character comes without any
};

// What a key does, in terms of the panel's handlers and the options.
struct KeyAction {
  enum class Kind {
    Run,     // runs the handler, only while the button (when one is named) is enabled
    Toggle,  // turns the option over, which runs its change
    Move,    // moves the option by `amount` within its range, then runs its change
    Place,   // puts the option at `amount`, then runs its change
  };
  Kind kind = Kind::Run;
  void (ControlPanel::*handler)() = nullptr;
  QToolButton* Ui::ControlPanel::*button = nullptr;
  Option option = Option::Speed;
  int amount = 0;
};

// Where a key works. The keys of the movie window do nothing while
// full-screen output is chosen, which does not use that window.
enum class KeyScope { AnyOutput, WindowOutputOnly };

struct KeyCommand {
  KeyTrigger on;
  KeyAction does;
  KeyScope scope = KeyScope::AnyOutput;
  // The help line: the keys as it writes them, and what they do. A row
  // without one is listed on the line of the row above it.
  const char* keys = nullptr;
  const char* help = nullptr;
};

const std::vector<KeyCommand>& KeyCommands();

// The row of a key; null for a key that does nothing.
const KeyCommand* FindKeyCommand(const KeyTrigger& trigger);

// The keys' help, line by line: a heading before the keys of each scope,
// then one line for each row that has help.
struct KeyHelpLine {
  std::string heading;  // set on a heading, which has no keys
  std::string keys;
  std::string help;
};
std::vector<KeyHelpLine> KeyHelpLines();

}  // namespace kt
