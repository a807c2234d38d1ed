// The control panel's handlers, in the order of the panel: start-up and
// shut-down, the top row, the bottom row and the play command. The options
// and what their changes do are in panel_options.cpp.
#include <QToolButton>

#include "colour/palette_adjustment.h"
#include "control/control_behaviour.h"
#include "control/control_panel.h"
#include "control/hint_pause.h"
#include "platform/qt/system_metrics.h"
#include "platform/qt/window_operations.h"
#include "playback/play_command.h"
#include "ui_control_panel.h"
#include "views/movie_window.h"

namespace kt {

namespace {

bool Shown(const QWidget* widget) { return !widget->isHidden(); }

}  // namespace

// ---- Start-up and shut-down -------------------------------------------------

void ControlPanel::FormCreate() {
  state_.Run.PanelClientWidth = static_cast<uint16_t>(width());
  state_.Run.PanelClientHeight = static_cast<uint16_t>(height());
  SetHintPause(kHintPauseMs);
}

void ControlPanel::FormShow() {
  // Flic files are opened for reading only wherever they are opened, so
  // there is no program-wide file mode to set here.
  state_.Run.ScreenBitsPerPixel = QueryScreenBitsPerPixel(this);
  FillMiddleArea();
  try {
    RunCommandLine();
  } catch (...) {
    state_.Run.WordsStoppedByError = true;
    // Until the settings are loaded, the user's changes count from what
    // the words left.
    NoteOptionsBaseline(false);
    // The player stays usable once the error's box is answered: both
    // windows show, and the settings follow at the panel's next show.
    movieAfterWordsError_ = !state_.Run.ExitRequested && !state_.Run.CloseRequested;
    throw;
  }
  NoteOptionsBaseline(false);
  // Exit during the words: the program is ending, nothing more to load or show.
  if (state_.Run.ExitRequested) return;
  if (state_.Run.SettingsPending && !state_.Run.CloseRequested) {
    state_.Run.SettingsPending = false;
    LoadSettings();
    if (!state_.Flic.FlicInMemory) {
      state_.Flic.Header.width = kDefaultFrameWidth;
      state_.Flic.Header.height = kDefaultFrameHeight;
    }
    if (movieWindow_ != nullptr && !movieWindow_->isVisible()) movieWindow_->show();
  }
}

void ControlPanel::FormClose() {
  // A program ended by the CLOSE word leaves the stored options as they were.
  if (!state_.Run.CloseRequested) SaveSettings();
  FreeFlicMemory(state_.Flic, *this);
}

// ---- The top row ------------------------------------------------------------

void ControlPanel::LoadIntoMemory() {
  LoadContext context{state_.Flic, state_.OpenDialog, services_, *this, state_.Playback.KeepMovieWindowSize};
  LoadFlicIntoMemory(context);
}

void ControlPanel::ChooseAndPlayFromDisk() { Player().ChooseAndPlayFromDisk(); }

void ControlPanel::RecordFrames() { kt::RecordFrames(state_.Recording, services_); }

void ControlPanel::SetPanelVisible(QWidget* shown, bool visible) {
  for (QWidget* panel : {ui_->InfoPanel, ui_->StatPanel, ui_->DirXPanel, ui_->OptionPanel}) {
    if (panel != shown) panel->hide();
  }
  shown->setVisible(visible);
  statsShown_ = !ui_->StatPanel->isHidden();
}

void ControlPanel::ToggleInfoPanel() {
  ShowFlicInfo();
  SetPanelVisible(ui_->InfoPanel, !Shown(ui_->InfoPanel));
}

void ControlPanel::ToggleStatsPanel() { SetPanelVisible(ui_->StatPanel, !Shown(ui_->StatPanel)); }

void ControlPanel::ToggleFullScreenPanel() { SetPanelVisible(ui_->DirXPanel, !Shown(ui_->DirXPanel)); }

void ControlPanel::ToggleOptionsPanel() { SetPanelVisible(ui_->OptionPanel, !Shown(ui_->OptionPanel)); }

void ControlPanel::ShowAbout() {
  if (movieWindow_ != nullptr) movieWindow_->hide();
  hide();
  if (aboutWindow_ != nullptr) ShowModal(*aboutWindow_);
  show();
  if (movieWindow_ != nullptr) movieWindow_->show();
}

void ControlPanel::ResetAdjustments() {
  ResetAdjustmentBars();
  // Full-screen output owns the movie window's options while it is chosen.
  if (!state_.Options.On(Option::DirectX)) {
    SetOption(Option::Title, 1);
    SetOption(Option::OnTop, 0);
    SetOption(Option::MaxPal, 0);
    SizeMovieWindow(state_.Flic.Header.width, state_.Flic.Header.height);
  }
  ApplyPaletteIfPlaying();
}

void ControlPanel::ResetAdjustmentBars() {
  for (const Option option : {Option::Speed, Option::Contrast, Option::Brightness}) {
    SetOption(option, RowOf(option).initial);
  }
}

void ControlPanel::Minimise() { MinimizeApplication(); }

void ControlPanel::Exit() {
  state_.Run.ExitRequested = true;
  if (play_) {
    play_->Exit();
    return;
  }
  if (!state_.Playback.Playing) close();
}

// ---- The bottom row and the play command -------------------------------------

void ControlPanel::Play() { Player().PlayFromMemory(); }

void ControlPanel::PlayFromDisk() { Player().PlayFromDisk(); }

void ControlPanel::Stop() { Player().Stop(); }

void ControlPanel::StepBack() { Player().StepBack(); }

void ControlPanel::PauseOrResume() { Player().PauseOrResume(); }

void ControlPanel::StepForward() { Player().StepForward(); }

void ControlPanel::GoToChosenFrame() { Player().GoToFrame(ui_->FrameBar->value()); }

// ---- The adjustment rows ----------------------------------------------------

void ControlPanel::ApplyPaletteIfPlaying() {
  if (state_.Playback.Playing && play_) play_->ApplyPalette();
}

}  // namespace kt
