// The control panel's handlers, in the order of the panel: start-up and
// shut-down, the top row, the bottom row and the play command, the
// adjustment rows and the option boxes.
#include <QLabel>
#include <QToolButton>

#include "colour/palette_adjustment.h"
#include "control/control_behaviour.h"
#include "control/hint_pause.h"
#include "control/mainform.h"
#include "platform/qt/system_metrics.h"
#include "platform/qt/window_operations.h"
#include "playback/play_command.h"
#include "ui_mainform.h"
#include "windows/imageunt.h"

namespace kt {

namespace {

bool Shown(const QWidget* widget) { return !widget->isHidden(); }

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// ---- Start-up and shut-down -------------------------------------------------

void TDisplayForm::FormCreate() {
  state_.Run.PanelClientWidth = static_cast<uint16_t>(width());
  state_.Run.PanelClientHeight = static_cast<uint16_t>(height());
  SetHintPause(kHintPauseMs);
}

void TDisplayForm::FormShow() {
  state_.Run.PlatformId = QueryPlatformId();
  // Flic files are opened for reading only wherever they are opened, so
  // there is no program-wide file mode to set here.
  state_.Run.ScreenBitsPerPixel = QueryScreenBitsPerPixel(this);
  FillMiddleArea();
  try {
    FormActivate();
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

void TDisplayForm::FormClose() {
  // A program ended by the CLOSE word leaves the stored options as they were.
  if (!state_.Run.CloseRequested) SaveSettings();
  FreeFlicMemory(state_.Flic, *this);
}

// ---- The top row ------------------------------------------------------------

void TDisplayForm::LoadButtonClick() {
  LoadContext context{state_.Flic, state_.OpenDialog, services_, *this, state_.Playback.KeepMovieWindowSize};
  kt::LoadButtonClick(context);
}

void TDisplayForm::PlayFileButtonSetFile() { Play().PlayFileButtonSetFile(); }

void TDisplayForm::RecordButtonClick() { kt::RecordButtonClick(state_.Recording, services_); }

void TDisplayForm::SetPanelVisible(QWidget* shown, bool visible) {
  for (QWidget* panel : {ui_->InfoPanel, ui_->StatPanel, ui_->DirXPanel, ui_->OptionPanel}) {
    if (panel != shown) panel->hide();
  }
  shown->setVisible(visible);
}

void TDisplayForm::InfoButtonClick() {
  ShowFlicInfo();
  SetPanelVisible(ui_->InfoPanel, !Shown(ui_->InfoPanel));
}

void TDisplayForm::StatsButtonClick() { SetPanelVisible(ui_->StatPanel, !Shown(ui_->StatPanel)); }

void TDisplayForm::DirXModeButtonClick() { SetPanelVisible(ui_->DirXPanel, !Shown(ui_->DirXPanel)); }

void TDisplayForm::OptionButtonClick() { SetPanelVisible(ui_->OptionPanel, !Shown(ui_->OptionPanel)); }

void TDisplayForm::AboutButtonClick() {
  if (movieWindow_ != nullptr) movieWindow_->hide();
  hide();
  if (aboutWindow_ != nullptr) ShowModal(*aboutWindow_);
  show();
  if (movieWindow_ != nullptr) movieWindow_->show();
}

void TDisplayForm::ResetButtonClick() {
  ResetAdjustmentBars();
  // Full-screen output owns the movie window's options while it is chosen.
  if (!ui_->DirectXCheck->isChecked()) {
    ui_->TitleCheck->setChecked(true);
    ui_->OnTopCheck->setChecked(false);
    ui_->MaxPalCheck->setChecked(false);
    TitleCheckClick();
    OnTopCheckClick();
    MaxPalCheckClick();
    SizeMovieWindow(state_.Flic.Header.width, state_.Flic.Header.height);
  }
  ApplyPaletteIfPlaying();
}

void TDisplayForm::ResetAdjustmentBars() {
  ui_->SpeedBar->setValue(kSpeedBarMax);
  ui_->ContrastBar->setValue(kContrastBarInitial);
  ui_->BrightnessBar->setValue(kBrightnessBarInitial);
  SpeedBarChange();
  ContrastBarChange();
  BrightnessBarChange();
}

void TDisplayForm::MinimizeButtonClick() { MinimizeApplication(); }

void TDisplayForm::QuitButtonClick() {
  state_.Run.ExitRequested = true;
  if (play_) {
    play_->QuitButtonClick();
    return;
  }
  if (!state_.Playback.Playing) close();
}

// ---- The bottom row and the play command -------------------------------------

void TDisplayForm::PlayButtonStartPlay() { Play().PlayButtonStartPlay(); }

void TDisplayForm::PlayFileButtonClick() { Play().PlayFileButtonClick(); }

void TDisplayForm::StopButtonClick() { Play().StopButtonClick(); }

void TDisplayForm::FrameBButtonClick() { Play().FrameBButtonClick(); }

void TDisplayForm::PauseButtonClick() { Play().PauseButtonClick(); }

void TDisplayForm::FrameFButtonClick() { Play().FrameFButtonClick(); }

void TDisplayForm::FrameBarChange() { Play().FrameBarChange(ui_->FrameBar->value()); }

// ---- The adjustment rows ----------------------------------------------------

void TDisplayForm::BrightnessBarChange() {
  ui_->BrightnessLabel->setText(Text(kt::BrightnessBarChange(state_.Colour.Adjustment, ui_->BrightnessBar->value())));
  ApplyPaletteIfPlaying();
}

void TDisplayForm::ContrastBarChange() {
  ui_->ContrastLabel->setText(Text(kt::ContrastBarChange(state_.Colour.Adjustment, ui_->ContrastBar->value())));
  ApplyPaletteIfPlaying();
}

void TDisplayForm::ShowBarUpdate(TrackBar* bar, QLabel* label, const BarUpdate& update) {
  bar->setValue(update.position);
  label->setText(Text(update.label));
  ApplyPaletteIfPlaying();
}

void TDisplayForm::ApplyPaletteIfPlaying() {
  if (state_.Playback.Playing && play_) play_->ApplyPalette();
}

void TDisplayForm::BrightnessLeftAjustClick() {
  ShowBarUpdate(ui_->BrightnessBar, ui_->BrightnessLabel,
                kt::BrightnessLeftAjustClick(state_.Colour.Adjustment, ui_->BrightnessBar->value()));
}

void TDisplayForm::BrightnessRightAjustClick() {
  ShowBarUpdate(ui_->BrightnessBar, ui_->BrightnessLabel,
                kt::BrightnessRightAjustClick(state_.Colour.Adjustment, ui_->BrightnessBar->value()));
}

void TDisplayForm::ContrastLeftAjustClick() {
  ShowBarUpdate(ui_->ContrastBar, ui_->ContrastLabel,
                kt::ContrastLeftAjustClick(state_.Colour.Adjustment, ui_->ContrastBar->value()));
}

void TDisplayForm::ContrastRightAjustClick() {
  ShowBarUpdate(ui_->ContrastBar, ui_->ContrastLabel,
                kt::ContrastRightAjustClick(state_.Colour.Adjustment, ui_->ContrastBar->value()));
}

void TDisplayForm::SpeedBarChange() { ui_->SpeedLabel->setText(Text(Play().SpeedBarChange(ui_->SpeedBar->value()))); }

void TDisplayForm::SpeedLeftAjustClick() {
  ui_->SpeedBar->setValue(PlayCommand::SpeedLeftAjust(ui_->SpeedBar->value()));
  SpeedBarChange();
}

void TDisplayForm::SpeedRightAjustClick() {
  ui_->SpeedBar->setValue(PlayCommand::SpeedRightAjust(ui_->SpeedBar->value()));
  SpeedBarChange();
}

void TDisplayForm::BrightnessBarEnter() {
  // The bars and the loop box never keep the focus, so the arrow keys reach
  // the window's key commands instead of moving a bar.
  ui_->ButtonPanel1->setFocus();
}

// ---- The option boxes -------------------------------------------------------

void TDisplayForm::TitleCheckClick() {
  ui_->ButtonPanel1->setFocus();
  if (movieWindow_ != nullptr) SetWindowBorder(*movieWindow_, ui_->TitleCheck->isChecked(), QueryScreenSize());
}

void TDisplayForm::OnTopCheckClick() {
  if (movieWindow_ != nullptr) SetStayOnTop(*movieWindow_, ui_->OnTopCheck->isChecked());
}

// A true-colour display keeps no system colours to give up: the box only
// puts the palette in again.
void TDisplayForm::MaxPalCheckClick() { ApplyPaletteIfPlaying(); }

void TDisplayForm::DirectXCheckClick() {
  // Full-screen output overrides these options; each box's change runs its
  // own handler, so the movie window follows.
  if (ui_->DirectXCheck->isChecked()) {
    ui_->OnTopCheck->setChecked(false);
    ui_->OnTopCheck->setEnabled(false);
    ui_->TitleCheck->setChecked(true);
    ui_->TitleCheck->setEnabled(false);
    ui_->MaxPalCheck->setChecked(false);
    ui_->MaxPalCheck->setEnabled(false);
    ui_->StatsButton->setEnabled(false);
    if (Shown(ui_->StatPanel)) StatsButtonClick();
  } else {
    ui_->OnTopCheck->setEnabled(true);
    ui_->TitleCheck->setEnabled(true);
    ui_->MaxPalCheck->setEnabled(true);
    ui_->StatsButton->setEnabled(true);
  }
}

void TDisplayForm::ReadBigCheckClick() { state_.Flic.ReadBigFrames = ui_->ReadBigCheck->isChecked(); }

}  // namespace kt
