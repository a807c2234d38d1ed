// What the play command asks of the control panel and the movie window:
// the controls it reads at every frame and the ones it writes.
#pragma once

#include <string>

#include "playback/flic_choice.h"

namespace kt {

// The load's window steps (caption, SizeMovieWindow, ShowFlicInfo, enabling
// Play and Record) are the same ones the play command needs.
class PlaybackHost : public LoadWindowSteps {
 public:
  // Options read afresh at every frame.
  virtual bool LoopChecked() const = 0;
  virtual bool DirectXChecked() const = 0;
  virtual bool OnTopChecked() const = 0;
  virtual bool OptimizeChecked() const = 0;
  virtual bool StatPanelVisible() const = 0;
  virtual int SpeedBarPosition() const = 0;

  // The frame bar and the controls that show it while paused.
  virtual void SetFrameBarRange(int minimum, int maximum, int pageSize) = 0;
  virtual void SetFrameBarPosition(int position) = 0;  // does not run GoToFrame
  virtual void SetFrameLabel(const std::string& text) = 0;
  // FrameFButton and FrameBButton enabled, FrameLabel, FirstFrameLabel and FrameBar shown; or all off.
  virtual void ShowFrameControls(bool shown) = 0;
  // Stop and Pause enabled, Load, Select-file, About, Play, Record and Direct-X disabled; or the reverse.
  virtual void SetPlayingControls(bool playing) = 0;

  // The statistics panel's figures.
  virtual void SetFpsLabel(const std::string& text) = 0;
  virtual void SetActualDelayLabel(const std::string& text) = 0;
  virtual void SetFramesPlayedLabel(const std::string& text) = 0;
  virtual void SetPlayingTimeLabel(const std::string& text) = 0;

  // The movie window.
  virtual void FocusMovieWindowIfVisible() = 0;
  virtual void ShowMovieWindowIfHidden() = 0;
  virtual void BringControlPanelToTop() = 0;

  // Closes the control panel, which ends the program through its close handling.
  virtual void CloseControlPanel() = 0;
  // Ends the program at once, without the close handling (the unknown-chunk prompt's Abort).
  virtual void HaltProgram() = 0;
};

}  // namespace kt
