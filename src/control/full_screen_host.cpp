#include "control/full_screen_host.h"

#include <QWidget>

#include "playback/full_screen_output.h"
#include "views/movie_screen.h"
#include "views/movie_window.h"

namespace kt {

namespace {

class PanelHost : public FullScreenHost {
 public:
  PanelHost(const OptionValues& options, QWidget& panel, MovieScreen& screen, const RunState& run)
      : options_(options), panel_(panel), screen_(screen), run_(run) {}

  bool AutoModeChecked() const override { return options_.On(Option::DirXAuto); }
  int ForceModeIndex() const override { return options_[Option::ForcedMode]; }
  bool ShowFpsChecked() const override { return options_.On(Option::DirXFPS); }
  bool OneSurfaceChecked() const override { return options_.On(Option::DirXOneSurface); }
  void HideCursorCoverScreen() override { screen_.HideCursorCoverScreen(); }

  void SetControlPanelVisible(bool visible) override { panel_.setVisible(visible); }

  void RestoreMovieWindow() override { screen_.RestoreWindow(); }

  void RestorePanelClientSize() override {
    panel_.resize(panel_.width(), run_.PanelClientHeight);
    panel_.resize(run_.PanelClientWidth, panel_.height());
  }

 private:
  const OptionValues& options_;
  QWidget& panel_;
  MovieScreen& screen_;
  const RunState& run_;
};

// Owns the pieces, so the control panel holds one object.
class PanelFullScreen : public FullScreenOutput {
 public:
  PanelFullScreen(QWidget& panel, MovieWindow& movie, PlayerState& state, std::function<uint32_t()> tick)
      : screen_(movie),
        host_(state.Options, panel, screen_, state.Run),
        output_(screen_, host_, state.Playback, state.Colour, state.Flic.Header, std::move(tick)) {}

  bool Available() const override { return output_.Available(); }
  bool SetUp() override { return output_.SetUp(); }
  void ShowFrame(const ScreenFrame& frame) override { output_.ShowFrame(frame); }
  void SetColours(const ScreenColours& colours) override { output_.SetColours(colours); }
  void TearDown() override { output_.TearDown(); }

 private:
  MovieScreen screen_;
  PanelHost host_;
  FullScreen output_;
};

}  // namespace

std::unique_ptr<FullScreenOutput> MakePanelFullScreen(QWidget& panel, MovieWindow& movie, PlayerState& state,
                                                      std::function<uint32_t()> tick) {
  return std::make_unique<PanelFullScreen>(panel, movie, state, std::move(tick));
}

}  // namespace kt
