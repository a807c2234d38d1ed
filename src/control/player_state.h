// Everything the player holds once for the whole run, in one place owned by
// the control panel: the flic and its frame store, the Open dialog's memory,
// the options, the palettes, the recorder, the playback state and the start-up figures.
#pragma once

#include <cstdint>

#include "colour/colour_state.h"
#include "control/options.h"
#include "flic/flic_state.h"
#include "playback/frame_recording.h"
#include "playback/load_command.h"
#include "playback/playback_state.h"

namespace kt {

// Figures and flags of the program's start and end.
struct RunState {
  uint32_t ScreenBitsPerPixel = 0;
  // The control panel's client size at creation; full-screen output gives it back.
  uint16_t PanelClientWidth = 0;
  uint16_t PanelClientHeight = 0;
  bool SettingsPending = true;   // cleared when the first show loads the settings
  bool CommandLineDone = false;  // the command-line words have run
  bool CloseRequested = false;   // a CLOSE word ends the program without settings
  // Exit, by its button, its key or the panel's close: no further word runs,
  // nothing more is loaded or shown, and the options are saved once.
  bool ExitRequested = false;
  // An error ended the run of words before its end: a script that started
  // the player learns from the exit status that its words were not all run.
  bool WordsStoppedByError = false;
  // A flic the words named could not be loaded or played; the run went on.
  bool WordsMetRefusedFlic = false;
};

// The program's exit status once the event loop has ended normally.
inline int ExitStatusOf(const RunState& run) { return run.WordsStoppedByError || run.WordsMetRefusedFlic ? 1 : 0; }

struct PlayerState {
  OptionValues Options;
  FlicState Flic;
  OpenDialogState OpenDialog;
  ColourState Colour;
  RecordingState Recording;
  PlaybackState Playback;
  RunState Run;
};

// The movie window's size until a flic is opened.
inline constexpr uint16_t kDefaultFrameWidth = 320;
inline constexpr uint16_t kDefaultFrameHeight = 240;

}  // namespace kt
