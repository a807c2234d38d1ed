// A full-screen display in memory: it logs what it is asked, keeps the last
// frame and colours, and refuses the steps a test names, each as a real
// display would at that point, so every failure path of a start can be run.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/screen.h"

namespace kt::test {

class FakeScreen : public FullScreenDisplay {
 public:
  std::vector<std::string>* log = nullptr;
  std::vector<ModeSize> modes = StandardModes();
  std::set<ScreenStep> failing;
  bool noDisplay = false;  // Open finds nothing to take

  std::vector<uint8_t> pixels;  // the last frame, rows of width bytes
  int width = 0, height = 0, shows = 0;
  std::string cornerText;
  std::optional<ChangedLines> changed;  // of the last frame
  ScreenColours colours{};

  bool Open() override {
    Refuse(ScreenStep::Open);
    if (noDisplay) return false;
    Refuse(ScreenStep::TakeOver);
    return true;
  }
  std::vector<ModeSize> Modes() override {
    Refuse(ScreenStep::ListModes);
    return modes;
  }
  void EnterMode(ModeSize size) override {
    Refuse(ScreenStep::SetMode);
    bool listed = false;
    for (const ModeSize& mode : modes) listed = listed || mode == size;
    if (!listed) throw ScreenRefused(ScreenStep::SetMode);
    Log("mode " + std::to_string(size.width) + "x" + std::to_string(size.height));
    Refuse(ScreenStep::FrontBuffer);
    Refuse(ScreenStep::BackBuffer);
    coloursMade_ = false;
  }
  void SetColours(const ScreenColours& shown) override {
    if (!coloursMade_) {
      Refuse(ScreenStep::MakeColours);
      Refuse(ScreenStep::AttachColours);
      coloursMade_ = true;
    } else {
      Refuse(ScreenStep::SetColours);
    }
    colours = shown;
  }
  void ShowFrame(const ScreenFrame& frame) override {
    ++shows;
    width = frame.width;
    height = frame.height;
    pixels.clear();
    for (int y = 0; y < frame.height; ++y) {
      const uint8_t* row = frame.pixels + static_cast<size_t>(y) * frame.stride;
      pixels.insert(pixels.end(), row, row + frame.width);
    }
    cornerText = frame.cornerText;
    changed = frame.changed;
  }
  void Leave() override { Log("mode restored"); }

  uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

 private:
  void Refuse(ScreenStep step) const {
    if (failing.count(step) != 0) throw ScreenRefused(step);
  }
  void Log(const std::string& entry) const {
    if (log != nullptr) log->push_back(entry);
  }
  bool coloursMade_ = false;
};

}  // namespace kt::test
