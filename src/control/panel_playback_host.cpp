// The panel's side of a playback and a load: the options and controls the
// play command reads at every frame and the ones it writes, the information
// panel, and the steps of a load that touch the windows.
#include <QCoreApplication>
#include <QString>
#include <cstdlib>

#include "control/control_panel.h"
#include "flic/flic_info.h"
#include "platform/qt/system_metrics.h"
#include "ui_control_panel.h"
#include "views/movie_window.h"

namespace kt {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// ---- The information panel and the load's window steps ----------------------

void ControlPanel::ShowFlicInfo() {
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

void ControlPanel::SetMovieCaption(const std::string& caption) {
  if (movieWindow_ != nullptr) movieWindow_->SetCaption(caption);
}

void ControlPanel::SizeMovieWindow(int width, int height) {
  if (movieWindow_ == nullptr) return;
  kt::SizeMovieWindow(*movieWindow_, state_.Playback.MovieZoomed, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height));
}

void ControlPanel::EnablePlayAndRecordButtons() {
  ui_->PlayButton->setEnabled(true);
  ui_->RecordButton->setEnabled(true);
}

void ControlPanel::SetLoadingControls(bool loading) {
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

bool ControlPanel::EndRequested() const { return state_.Run.ExitRequested || closed_; }

// ---- What the play command reads and writes --------------------------------

bool ControlPanel::LoopChecked() const { return state_.Options.On(Option::Loop); }

bool ControlPanel::DirectXChecked() const { return state_.Options.On(Option::DirectX); }

bool ControlPanel::OnTopChecked() const { return state_.Options.On(Option::OnTop); }

bool ControlPanel::OptimizeChecked() const { return state_.Options.On(Option::Optimize); }

bool ControlPanel::StatPanelVisible() const { return statsShown_; }

int ControlPanel::SpeedBarPosition() const { return state_.Options[Option::Speed]; }

void ControlPanel::SetFrameBarRange(int minimum, int maximum, int pageSize) {
  ui_->FrameBar->setRange(minimum, maximum);
  ui_->FrameBar->setPageStep(pageSize);
}

void ControlPanel::SetFrameBarPosition(int position) { ui_->FrameBar->setValue(position); }

void ControlPanel::SetFrameLabel(const std::string& text) { ui_->FrameLabel->setText(Text(text)); }

void ControlPanel::ShowFrameControls(bool shown) {
  ui_->FrameFButton->setEnabled(shown);
  ui_->FrameBButton->setEnabled(shown);
  ui_->FrameLabel->setVisible(shown);
  ui_->FirstFrameLabel->setVisible(shown);
  ui_->FrameBar->setVisible(shown);
}

void ControlPanel::SetPlayingControls(bool playing) {
  ui_->StopButton->setEnabled(playing);
  ui_->PauseButton->setEnabled(playing);
  for (QWidget* control : {static_cast<QWidget*>(ui_->LoadButton), static_cast<QWidget*>(ui_->PlayFileButton),
                           static_cast<QWidget*>(ui_->AboutButton), static_cast<QWidget*>(ui_->PlayButton),
                           static_cast<QWidget*>(ui_->RecordButton), static_cast<QWidget*>(ui_->DirectXCheck)}) {
    control->setEnabled(!playing);
  }
}

void ControlPanel::SetFpsLabel(const std::string& text) { ui_->FPSLabel->setText(Text(text)); }

void ControlPanel::SetActualDelayLabel(const std::string& text) { ui_->ActualDelayLabel->setText(Text(text)); }

void ControlPanel::SetFramesPlayedLabel(const std::string& text) { ui_->FramesPlayedLabel->setText(Text(text)); }

void ControlPanel::SetPlayingTimeLabel(const std::string& text) { ui_->PlayingTimeLabel->setText(Text(text)); }

void ControlPanel::FocusMovieWindowIfVisible() {
  if (movieWindow_ == nullptr || !movieWindow_->isVisible()) return;
  movieWindow_->activateWindow();
  movieWindow_->setFocus();
}

void ControlPanel::ShowMovieWindowIfHidden() {
  if (movieWindow_ != nullptr && !movieWindow_->isVisible()) movieWindow_->show();
}

void ControlPanel::BringControlPanelToTop() { raise(); }

void ControlPanel::CloseControlPanel() { close(); }

void ControlPanel::HaltProgram() {
  // Abort at the unknown-chunk question: the event loop ends at its next
  // turn and with it the program, without the panel's close handling, so
  // the settings are not saved. The play command unwinds on its way out.
  QCoreApplication::exit(EXIT_SUCCESS);
}

}  // namespace kt
