#include "control/key_table.h"

#include <optional>

#include "control/mainform.h"
#include "playback/playback_state.h"
#include "ui_mainform.h"

namespace kt {

namespace {

using Form = Ui::TDisplayForm;
using Handler = void (TDisplayForm::*)();

KeyTrigger Typed(char character) { return {KeyEvent::Typed, static_cast<uint8_t>(character), 0}; }
KeyTrigger Down(uint16_t key, ShiftState modifiers = 0) { return {KeyEvent::Down, key, modifiers}; }
KeyTrigger Alt(char key) { return Down(static_cast<uint8_t>(key), kAltKey); }

KeyAction Run(Handler handler, QToolButton* Form::*whileEnabled = nullptr) {
  return {KeyAction::Kind::Run, handler, whileEnabled, nullptr, nullptr, 0};
}
KeyAction Toggle(QCheckBox* Form::*box) { return {KeyAction::Kind::Toggle, nullptr, nullptr, box, nullptr, 0}; }
KeyAction Move(TrackBar* Form::*bar, int by, Handler handler) {
  return {KeyAction::Kind::Move, handler, nullptr, nullptr, bar, by};
}
KeyAction Place(TrackBar* Form::*bar, int at, Handler handler) {
  return {KeyAction::Kind::Place, handler, nullptr, nullptr, bar, at};
}

constexpr KeyScope kWindowOnly = KeyScope::WindowOutputOnly;

std::string Heading(KeyScope scope) {
  return scope == KeyScope::AnyOutput ? "Keys, in the control panel and the movie window:"
                                      : "In window output only (not with \"Play in Direct-X mode\"):";
}

}  // namespace

const std::vector<KeyCommand>& KeyCommands() {
  using P = TDisplayForm;
  // The rows of one scope stand together, in the order the help lists them,
  // one row a key with its help beside it. The bars keep themselves within
  // their ranges.
  // clang-format off
  static const std::vector<KeyCommand> commands = {
      {.on = Typed('C'), .does = Run(&P::FrameFButtonClick, &Form::FrameFButton), .keys = "C / Z",
       .help = "next frame / back one frame (while paused)"},
      {.on = Typed('Z'), .does = Run(&P::FrameBButtonClick, &Form::FrameBButton)},
      {.on = Typed('X'), .does = Run(&P::PauseButtonClick, &Form::PauseButton), .keys = "X", .help = "pause or resume"},
      {.on = Typed('S'), .does = Run(&P::StopButtonClick, &Form::StopButton), .keys = "S, Esc", .help = "stop"},
      {.on = Typed('\x1b'), .does = Run(&P::StopButtonClick, &Form::StopButton)},
      // The play command itself, not the file choice the button runs.
      {.on = Typed('F'), .does = Run(&P::PlayFileButtonClick, &Form::PlayFileButton), .keys = "F / P / O",
       .help = "play from disk / play / load into memory"},
      {.on = Typed('P'), .does = Run(&P::PlayButtonStartPlay, &Form::PlayButton)},
      {.on = Typed('O'), .does = Run(&P::LoadButtonClick, &Form::LoadButton)},
      {.on = Typed('L'), .does = Toggle(&Form::LoopCheck), .keys = "L", .help = "loop on or off"},
      {.on = Typed('R'), .does = Run(&P::ResetButtonClick), .keys = "R",
       .help = "reset brightness, contrast, delay and window options"},
      {.on = Typed('.'), .does = Move(&Form::ContrastBar, 2, &P::ContrastBarChange), .keys = ". ,",
       .help = "contrast up / down"},
      {.on = Typed(','), .does = Move(&Form::ContrastBar, -2, &P::ContrastBarChange)},
      {.on = Typed(']'), .does = Move(&Form::BrightnessBar, 5, &P::BrightnessBarChange), .keys = "] [",
       .help = "brightness up / down"},
      {.on = Typed('['), .does = Move(&Form::BrightnessBar, -5, &P::BrightnessBarChange)},
      {.on = Down(vk::Add), .does = Move(&Form::SpeedBar, 50, &P::SpeedBarChange), .keys = "pad + / -",
       .help = "delay up / down 50 ms (Shift: 5 ms; Ctrl: the flic's own / none)"},
      {.on = Down(vk::Subtract), .does = Move(&Form::SpeedBar, -50, &P::SpeedBarChange)},
      {.on = Down(vk::Add, kShiftKey), .does = Move(&Form::SpeedBar, 5, &P::SpeedBarChange)},
      {.on = Down(vk::Subtract, kShiftKey), .does = Move(&Form::SpeedBar, -5, &P::SpeedBarChange)},
      {.on = Down(vk::Add, kCtrlKey), .does = Place(&Form::SpeedBar, kSpeedBarMax, &P::SpeedBarChange)},
      {.on = Down(vk::Subtract, kCtrlKey), .does = Place(&Form::SpeedBar, 0, &P::SpeedBarChange)},
      {.on = Alt('F'), .does = Toggle(&Form::DirXFPSCheck), .keys = "Alt+F Alt+1",
       .help = "full-screen frame rate / one surface"},
      {.on = Alt('1'), .does = Toggle(&Form::DirXSurfaceCheck)},
      {.on = Alt('P'), .does = Run(&P::PauseButtonClick, &Form::PauseButton), .keys = "Alt+P",
       .help = "pause or resume"},
      {.on = Alt('M'), .does = Run(&P::DirXModeButtonClick), .keys = "Alt+M Alt+O Alt+I",
       .help = "full-screen, options, information panel"},
      {.on = Alt('O'), .does = Run(&P::OptionButtonClick)},
      {.on = Alt('I'), .does = Run(&P::InfoButtonClick)},
      {.on = Alt('X'), .does = Run(&P::QuitButtonClick), .keys = "Alt+X", .help = "exit"},

      {.on = Typed('?'), .does = Run(&P::AboutButtonClick, &Form::AboutButton), .scope = kWindowOnly, .keys = "?",
       .help = "about"},
      {.on = Typed('T'), .does = Toggle(&Form::TitleCheck), .scope = kWindowOnly, .keys = "T / ` / N",
       .help = "movie window title / maximum palette / on top"},
      {.on = Typed('`'), .does = Toggle(&Form::MaxPalCheck), .scope = kWindowOnly},
      {.on = Typed('N'), .does = Toggle(&Form::OnTopCheck), .scope = kWindowOnly},
      {.on = Typed('M'), .does = Run(&P::MovieMaximiseKey), .scope = kWindowOnly, .keys = "M",
       .help = "maximise or restore the movie window"},
      {.on = Alt('S'), .does = Run(&P::StatsButtonClick), .scope = kWindowOnly, .keys = "Alt+S",
       .help = "statistics panel"},
      {.on = Down(vk::Return, kAltKey), .does = Run(&P::MovieZoomKey), .scope = kWindowOnly, .keys = "Alt+Enter",
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
