// A control panel for the play command that shows nothing. It reads the
// options from its fields, by default the plainest ones: no loop, no
// Direct-X, optimized decoding, no statistics panel, a true-colour screen;
// and it keeps what the play command writes, for the tests that watch it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "playback/playback_host.h"

namespace kt::test {

class QuietPlaybackHost : public PlaybackHost {
 public:
  bool loop = false, directX = false, onTop = false, optimize = true, statVisible = false;
  int speedBar = 0;
  std::map<std::string, std::string> labels;
  bool frameControls = false, playingControls = false;
  int closed = 0, halted = 0, infoShown = 0, sized = 0;
  std::vector<int> frameBarPositions;

  bool LoopChecked() const override { return loop; }
  bool DirectXChecked() const override { return directX; }
  bool OnTopChecked() const override { return onTop; }
  bool OptimizeChecked() const override { return optimize; }
  bool StatPanelVisible() const override { return statVisible; }
  int SpeedBarPosition() const override { return speedBar; }
  void SetFrameBarRange(int minimum, int maximum, int page) override {
    labels["FrameBarRange"] = std::to_string(minimum) + ".." + std::to_string(maximum) + "/" + std::to_string(page);
  }
  void SetFrameBarPosition(int position) override { frameBarPositions.push_back(position); }
  void SetFrameLabel(const std::string& text) override { labels["FrameLabel"] = text; }
  void ShowFrameControls(bool shown) override { frameControls = shown; }
  void SetPlayingControls(bool playing) override { playingControls = playing; }
  void SetFpsLabel(const std::string& text) override { labels["FPS"] = text; }
  void SetActualDelayLabel(const std::string& text) override { labels["ActualDelay"] = text; }
  void SetFramesPlayedLabel(const std::string& text) override { labels["FramesPlayed"] = text; }
  void SetPlayingTimeLabel(const std::string& text) override { labels["PlayingTime"] = text; }
  void SizeMovieWindow(int w, int h) override {
    ++sized;
    labels["Size"] = std::to_string(w) + "x" + std::to_string(h);
  }
  void SetMovieCaption(const std::string& caption) override { labels["Caption"] = caption; }
  void FocusMovieWindowIfVisible() override {}
  void ShowMovieWindowIfHidden() override {}
  void BringControlPanelToTop() override {}
  void ShowFlicInfo() override { ++infoShown; }
  void EnablePlayAndRecordButtons() override { labels["PlayEnabled"] = "yes"; }
  void CloseControlPanel() override { ++closed; }
  void HaltProgram() override { ++halted; }
};

}  // namespace kt::test
