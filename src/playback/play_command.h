// The play command and the handlers that steer a running playback. One call
// of PlayFromDisk plays a flic from its first frame to its end (or,
// looping, until stopped); every other command runs nested inside it, from
// its message deliveries, and acts on it only through PlaybackState.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "colour/colour_state.h"
#include "flic/flic_file.h"
#include "flic/flic_state.h"
#include "flic/key_images.h"
#include "platform/window_services.h"
#include "playback/flic_choice.h"
#include "playback/frame_output.h"
#include "playback/frame_recording.h"
#include "playback/playback_host.h"
#include "playback/playback_state.h"

namespace kt {

struct PlayerParts {
  FlicState& flic;
  OpenDialogState& openDialog;
  PlaybackState& playback;
  RecordingState& recording;
  ColourState& colour;
  WindowServices& services;
  PlaybackHost& host;
  FrameOutput& output;
  FullScreenOutput& fullScreen;
  SoundAccompaniment& sound;
  std::function<uint32_t()> tick;  // the millisecond tick count
};

// What the play command says when it is asked to play with no flic chosen
// and none in memory.
inline constexpr const char* kNoFlicChosenText =
    "No flic has been chosen yet. Choose one with \"Select flic to be played\" or load one into memory first.";

// Thrown after the host's HaltProgram returns, which only a test's host does:
// the program would have ended, so nothing more may run.
class ProgramHalted : public std::exception {
 public:
  const char* what() const noexcept override { return "program halted"; }
};

class PlayCommand {
 public:
  explicit PlayCommand(PlayerParts parts) : p_(parts) {}

  void PlayFromDisk();
  void PlayFromMemory();
  void ChooseAndPlayFromDisk();
  bool SelectPlayFile();
  // What choosing `fileName` in the Open dialog of ChooseAndPlayFromDisk does,
  // for a file that comes another way (dropped on a window).
  void SetPlayFile(const std::string& fileName);
  void Stop();
  void PauseOrResume();
  void StepForward();
  void StepBack();
  // Only for the user's moves of the frame bar.
  void GoToFrame(int position);
  // Returns the speed label's new text.
  std::string SetDelay(int position);
  void Exit();

  // The shown colours from the flic's palette and the adjustment, onto the
  // screen the frames go to: at each colour chunk, and when a bar moves
  // while playing. Throws ScreenRefused when full screen refuses them.
  void ApplyPalette();
  bool WindowOutputInUse() const;

  // Memory for the pictures kept to rebuild earlier frames quickly; 0 keeps
  // none, and every rebuild replays from frame 0.
  void SetKeyImageBudget(size_t bytes) { keyImageBudget_ = bytes; }

  // Off, a playback opens and checks its flic and runs its start and its
  // end, but no frame loop: it ends as one does whose display gave no
  // full-screen object. What surrounds the frames can then be run as fast as
  // it is asked for, however long or looped the flic.
  void SetFramesShown(bool shown) { framesShown_ = shown; }

 private:
  struct Session;
  class Rebuild;
  void RunFrameLoop(Session& session);
  void ShowOneFrame(Session& session);
  void WaitOutFrameDelay();
  void HandlePause(Session& session);
  void ReplayFromStart(Session& session, int32_t count);
  void DecodeCurrentFrame(Session& session, bool fromReplay);
  void UpdateStatistics();
  void EndPlayback(Session& session, bool afterError);

  PlayerParts p_;
  size_t keyImageBudget_ = kDefaultKeyImageBudget;
  bool framesShown_ = true;
  bool trueColourPlaying_ = false;  // brightness and contrast go to the picture, not a palette
};

// The texts of the statistics panel.
std::string StatisticsSetFigure(uint16_t frameDelay);
std::string CurrentFpsText(uint32_t elapsedMs, int32_t framesPlayed, uint16_t frameDelay);
std::string ActualDelayText(uint32_t elapsedMs, int32_t framesPlayed);

}  // namespace kt
