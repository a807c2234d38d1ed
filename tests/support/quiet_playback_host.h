// A control panel for the play command that shows nothing and reads the
// plainest options: no loop, no Direct-X, optimized decoding, a true-colour
// screen. Tests override only what they watch or change.
#pragma once

#include <string>

#include "playback/playback_host.h"

namespace kt::test {

class QuietPlaybackHost : public PlaybackHost {
 public:
  bool LoopChecked() const override { return false; }
  bool DirectXChecked() const override { return false; }
  bool MaxPalChecked() const override { return false; }
  bool OnTopChecked() const override { return false; }
  bool OptimizeChecked() const override { return true; }
  bool StatPanelVisible() const override { return false; }
  int SpeedBarPosition() const override { return 0; }
  int ScreenBitsPerPixel() const override { return 24; }
  bool PlatformFlushesDrawing() const override { return false; }
  void SetFrameBarRange(int, int, int) override {}
  void SetFrameBarPosition(int) override {}
  void SetFrameLabel(const std::string&) override {}
  void ShowFrameControls(bool) override {}
  void SetPlayingControls(bool) override {}
  void SetFpsLabel(const std::string&) override {}
  void SetActualDelayLabel(const std::string&) override {}
  void SetFramesPlayedLabel(const std::string&) override {}
  void SetPlayingTimeLabel(const std::string&) override {}
  void FocusMovieWindowIfVisible() override {}
  void ShowMovieWindowIfHidden() override {}
  void BringControlPanelToTop() override {}
  void CloseControlPanel() override {}
  void HaltProgram() override {}
};

}  // namespace kt::test
