// The panel's side of a playback and a load: the options and controls the
// play command reads at every frame and the ones it writes, the information
// panel, and the steps of a load that touch the windows.
#include <QCoreApplication>
#include <QString>
#include <cstdlib>

#include "control/mainform.h"
#include "flic/flic_info.h"
#include "platform/qt/system_metrics.h"
#include "ui_mainform.h"
#include "windows/imageunt.h"

namespace kt {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// ---- The information panel and the load's window steps ----------------------

void TDisplayForm::ShowFlicInfo() {
  const FlicInfoTexts info = MakeFlicInfo(state_.Flic.Header, state_.Flic.FlicInMemory, state_.Playback.DiskFlicName);
  if (info.hasFigures) {
    ui_->FramesCaption->setText(Text(info.frames));
    ui_->WidthCaption->setText(Text(info.width));
    ui_->HeightCaption->setText(Text(info.height));
    ui_->SizeCaption->setText(Text(info.size));
    ui_->TypeCaption->setText(Text(info.type));
    ui_->DelayCaption->setText(Text(info.delay));
    ui_->PlayFPSLabel->setText(Text(info.speed));
  }
  ui_->StatusCaption->setText(Text(info.status));
}

void TDisplayForm::SetMovieCaption(const std::string& caption) {
  if (movieWindow_ != nullptr) movieWindow_->SetCaption(caption);
}

void TDisplayForm::SizeMovieWindow(int width, int height) {
  if (movieWindow_ == nullptr) return;
  kt::SizeMovieWindow(*movieWindow_, state_.Playback.MovieZoomed, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height));
}

void TDisplayForm::EnablePlayAndRecordButtons() {
  ui_->PlayButton->setEnabled(true);
  ui_->RecordButton->setEnabled(true);
}

void TDisplayForm::SetLoadingControls(bool loading) {
  if (loading) {
    // The same controls a playback disables: each would start another load
    // or a playback from under this one, by click, key or drop.
    enabledBeforeLoad_.clear();
    for (QWidget* control : {static_cast<QWidget*>(ui_->LoadButton), static_cast<QWidget*>(ui_->PlayFileButton),
                             static_cast<QWidget*>(ui_->AboutButton), static_cast<QWidget*>(ui_->PlayButton),
                             static_cast<QWidget*>(ui_->RecordButton), static_cast<QWidget*>(ui_->DirectXCheck)}) {
      enabledBeforeLoad_.emplace_back(control, control->isEnabled());
      control->setEnabled(false);
    }
    return;
  }
  for (const auto& [control, enabled] : enabledBeforeLoad_) control->setEnabled(enabled);
  enabledBeforeLoad_.clear();
}

bool TDisplayForm::EndRequested() const { return state_.Run.ExitRequested || closed_; }

// ---- What the play command reads and writes --------------------------------

bool TDisplayForm::LoopChecked() const { return state_.Options.On(Option::Loop); }

bool TDisplayForm::DirectXChecked() const { return state_.Options.On(Option::DirectX); }

bool TDisplayForm::MaxPalChecked() const { return state_.Options.On(Option::MaxPal); }

bool TDisplayForm::OnTopChecked() const { return state_.Options.On(Option::OnTop); }

bool TDisplayForm::OptimizeChecked() const { return state_.Options.On(Option::Optimize); }

bool TDisplayForm::StatPanelVisible() const { return statsShown_; }

int TDisplayForm::SpeedBarPosition() const { return state_.Options[Option::Speed]; }

int TDisplayForm::ScreenBitsPerPixel() const { return static_cast<int>(state_.Run.ScreenBitsPerPixel); }

void TDisplayForm::SetFrameBarRange(int minimum, int maximum, int pageSize) {
  ui_->FrameBar->setRange(minimum, maximum);
  ui_->FrameBar->setPageStep(pageSize);
}

void TDisplayForm::SetFrameBarPosition(int position) { ui_->FrameBar->setValue(position); }

void TDisplayForm::SetFrameLabel(const std::string& text) { ui_->FrameLabel->setText(Text(text)); }

void TDisplayForm::ShowFrameControls(bool shown) {
  ui_->FrameFButton->setEnabled(shown);
  ui_->FrameBButton->setEnabled(shown);
  ui_->FrameLabel->setVisible(shown);
  ui_->FirstFrameLabel->setVisible(shown);
  ui_->FrameBar->setVisible(shown);
}

void TDisplayForm::SetPlayingControls(bool playing) {
  ui_->StopButton->setEnabled(playing);
  ui_->PauseButton->setEnabled(playing);
  for (QWidget* control : {static_cast<QWidget*>(ui_->LoadButton), static_cast<QWidget*>(ui_->PlayFileButton),
                           static_cast<QWidget*>(ui_->AboutButton), static_cast<QWidget*>(ui_->PlayButton),
                           static_cast<QWidget*>(ui_->RecordButton), static_cast<QWidget*>(ui_->DirectXCheck)}) {
    control->setEnabled(!playing);
  }
}

void TDisplayForm::SetFpsLabel(const std::string& text) { ui_->FPSLabel->setText(Text(text)); }

void TDisplayForm::SetActualDelayLabel(const std::string& text) { ui_->ActualDelayLabel->setText(Text(text)); }

void TDisplayForm::SetFramesPlayedLabel(const std::string& text) { ui_->FramesPlayedLabel->setText(Text(text)); }

void TDisplayForm::SetPlayingTimeLabel(const std::string& text) { ui_->PlayingTimeLabel->setText(Text(text)); }

void TDisplayForm::FocusMovieWindowIfVisible() {
  if (movieWindow_ == nullptr || !movieWindow_->isVisible()) return;
  movieWindow_->activateWindow();
  movieWindow_->setFocus();
}

void TDisplayForm::ShowMovieWindowIfHidden() {
  if (movieWindow_ != nullptr && !movieWindow_->isVisible()) movieWindow_->show();
}

void TDisplayForm::BringControlPanelToTop() { raise(); }

void TDisplayForm::CloseControlPanel() { close(); }

void TDisplayForm::HaltProgram() {
  // Abort at the unknown-chunk question: the event loop ends at its next
  // turn and with it the program, without the panel's close handling, so
  // the settings are not saved. The play command unwinds on its way out.
  QCoreApplication::exit(EXIT_SUCCESS);
}

}  // namespace kt
