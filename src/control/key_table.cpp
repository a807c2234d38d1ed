#include "control/key_table.h"

#include <optional>

#include "control/control_panel.h"
#include "playback/playback_state.h"
#include "ui_control_panel.h"

namespace kt {

namespace {

using Form = Ui::ControlPanel;
using Handler = void (ControlPanel::*)();

KeyTrigger Typed(char character) { return {KeyEvent::Typed, static_cast<uint8_t>(character), {}}; }
KeyTrigger Down(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { return {KeyEvent::Down, key, modifiers}; }
KeyTrigger Alt(Qt::Key key) { return Down(key, Qt::AltModifier); }
// The numeric pad's own + and -, not the main keyboard's.
KeyTrigger Pad(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { return Down(key, modifiers | Qt::KeypadModifier); }

KeyAction Run(Handler handler, QToolButton* Form::*whileEnabled = nullptr) {
  return {KeyAction::Kind::Run, handler, whileEnabled, Option::Speed, 0};
}
KeyAction Toggle(Option option) { return {KeyAction::Kind::Toggle, nullptr, nullptr, option, 0}; }
KeyAction Move(Option option, int by) { return {KeyAction::Kind::Move, nullptr, nullptr, option, by}; }
KeyAction Place(Option option, int at) { return {KeyAction::Kind::Place, nullptr, nullptr, option, at}; }

constexpr KeyScope kWindowOnly = KeyScope::WindowOutputOnly;

std::string Heading(KeyScope scope) {
  return scope == KeyScope::AnyOutput ? "Keys, in the control panel and the movie window:"
                                      : "In window output only (not with \"Play in Direct-X mode\"):";
}

}  // namespace

const std::vector<KeyCommand>& KeyCommands() {
  using P = ControlPanel;
  // The rows of one scope stand together, in the order the help lists them,
  // one row a key with its help beside it. The bars keep themselves within
  // their ranges.
  // clang-format off
  static const std::vector<KeyCommand> commands = {
      {.on = Typed('C'), .does = Run(&P::StepForward, &Form::FrameFButton), .keys = "C / Z",
       .help = "next frame / back one frame (while paused)"},
      {.on = Typed('Z'), .does = Run(&P::StepBack, &Form::FrameBButton)},
      {.on = Typed('X'), .does = Run(&P::PauseOrResume, &Form::PauseButton), .keys = "X", .help = "pause or resume"},
      {.on = Typed('S'), .does = Run(&P::Stop, &Form::StopButton), .keys = "S, Esc", .help = "stop"},
      {.on = Typed('\x1b'), .does = Run(&P::Stop, &Form::StopButton)},
      // The play command itself, not the file choice the button runs.
      {.on = Typed('F'), .does = Run(&P::PlayFromDisk, &Form::PlayFileButton), .keys = "F / P / O",
       .help = "play from disk / play / load into memory"},
      {.on = Typed('P'), .does = Run(&P::Play, &Form::PlayButton)},
      {.on = Typed('O'), .does = Run(&P::LoadIntoMemory, &Form::LoadButton)},
      {.on = Typed('L'), .does = Toggle(Option::Loop), .keys = "L", .help = "loop on or off"},
      {.on = Typed('R'), .does = Run(&P::ResetAdjustments), .keys = "R",
       .help = "reset brightness, contrast, delay and window options"},
      {.on = Typed('.'), .does = Move(Option::Contrast, 2), .keys = ". ,",
       .help = "contrast up / down"},
      {.on = Typed(','), .does = Move(Option::Contrast, -2)},
      {.on = Typed(']'), .does = Move(Option::Brightness, 5), .keys = "] [",
       .help = "brightness up / down"},
      {.on = Typed('['), .does = Move(Option::Brightness, -5)},
      {.on = Pad(Qt::Key_Plus), .does = Move(Option::Speed, 50), .keys = "pad + / -",
       .help = "delay up / down 50 ms (Shift: 5 ms; Ctrl: the flic's own / none)"},
      {.on = Pad(Qt::Key_Minus), .does = Move(Option::Speed, -50)},
      {.on = Pad(Qt::Key_Plus, Qt::ShiftModifier), .does = Move(Option::Speed, 5)},
      {.on = Pad(Qt::Key_Minus, Qt::ShiftModifier), .does = Move(Option::Speed, -5)},
      {.on = Pad(Qt::Key_Plus, Qt::ControlModifier), .does = Place(Option::Speed, kSpeedBarMax)},
      {.on = Pad(Qt::Key_Minus, Qt::ControlModifier), .does = Place(Option::Speed, 0)},
      {.on = Alt(Qt::Key_F), .does = Toggle(Option::DirXFPS), .keys = "Alt+F Alt+1",
       .help = "full-screen frame rate / one surface"},
      {.on = Alt(Qt::Key_1), .does = Toggle(Option::DirXOneSurface)},
      {.on = Alt(Qt::Key_P), .does = Run(&P::PauseOrResume, &Form::PauseButton), .keys = "Alt+P",
       .help = "pause or resume"},
      {.on = Alt(Qt::Key_M), .does = Run(&P::ToggleFullScreenPanel), .keys = "Alt+M Alt+O Alt+I",
       .help = "full-screen, options, information panel"},
      {.on = Alt(Qt::Key_O), .does = Run(&P::ToggleOptionsPanel)},
      {.on = Alt(Qt::Key_I), .does = Run(&P::ToggleInfoPanel)},
      {.on = Alt(Qt::Key_X), .does = Run(&P::Exit), .keys = "Alt+X", .help = "exit"},

      {.on = Typed('?'), .does = Run(&P::ShowAbout, &Form::AboutButton), .scope = kWindowOnly, .keys = "?",
       .help = "about"},
      {.on = Typed('T'), .does = Toggle(Option::Title), .scope = kWindowOnly, .keys = "T / ` / N",
       .help = "movie window title / maximum palette / on top"},
      {.on = Typed('`'), .does = Toggle(Option::MaxPal), .scope = kWindowOnly},
      {.on = Typed('N'), .does = Toggle(Option::OnTop), .scope = kWindowOnly},
      {.on = Typed('M'), .does = Run(&P::MaximiseOrRestoreMovie), .scope = kWindowOnly, .keys = "M",
       .help = "maximise or restore the movie window"},
      {.on = Alt(Qt::Key_S), .does = Run(&P::ToggleStatsPanel), .scope = kWindowOnly, .keys = "Alt+S",
       .help = "statistics panel"},
      {.on = Alt(Qt::Key_Return), .does = Run(&P::ZoomMovie), .scope = kWindowOnly, .keys = "Alt+Enter",
       .help = "zoom the movie window in or out (a flic loaded or playing)"},
  };
  // clang-format on
  return commands;
}

const KeyCommand* FindKeyCommand(const KeyTrigger& trigger) {
  for (const KeyCommand& command : KeyCommands()) {
    const KeyTrigger& on = command.on;
    if (on.event == trigger.event && on.key == trigger.key && on.modifiers == trigger.modifiers) return &command;
  }
  return nullptr;
}

std::vector<KeyHelpLine> KeyHelpLines() {
  std::vector<KeyHelpLine> lines;
  std::optional<KeyScope> scope;
  for (const KeyCommand& command : KeyCommands()) {
    if (command.scope != scope) {
      scope = command.scope;
      lines.push_back({Heading(command.scope), {}, {}});
    }
    if (command.help != nullptr) lines.push_back({{}, command.keys, command.help});
  }
  return lines;
}

}  // namespace kt
