// The options on the panel: each row's control shows the option's value
// and reports the user's changes back to it, and a change runs what the
// row says it does. The values themselves are the option model's.
#include <QAbstractButton>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

#include "colour/palette_adjustment.h"
#include "control/control_behaviour.h"
#include "control/control_panel.h"
#include "platform/qt/system_metrics.h"
#include "platform/qt/window_operations.h"
#include "playback/play_command.h"
#include "ui_control_panel.h"
#include "views/movie_window.h"

namespace kt {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void ControlPanel::WireOptions() {
  for (const OptionRow& row : OptionRows()) {
    if (row.control == nullptr) continue;
    QWidget* control = findChild<QWidget*>(row.control);
    const Option option = row.option;
    if (auto* bar = qobject_cast<TrackBar*>(control)) {
      // Code that moves a bar moves the option with it; only the user's
      // moves run the change, as code runs it itself.
      connect(bar, &QSlider::valueChanged, this, [this, option] { TakeOptionFromControl(option); });
      // The bar announces the user's move before the value's change reaches
      // the option, so the option takes the value here first.
      connect(bar, &TrackBar::Change, this, [this, option] {
        Guarded([this, option] {
          TakeOptionFromControl(option);
          RunOptionChange(option);
        });
      });
    } else if (auto* group = qobject_cast<RadioGroup*>(control)) {
      connect(group, &RadioGroup::Changed, this, [this, option] { TakeOptionFromControl(option); });
    } else if (auto* box = qobject_cast<QAbstractButton*>(control)) {
      ConnectClick(box, this, [this, option] {
        Guarded([this, option] {
          TakeOptionFromControl(option);
          RunOptionChange(option);
        });
      });
    }
    ShowOption(option);
  }
}

void ControlPanel::ShowOption(Option option) {
  const OptionRow& row = RowOf(option);
  if (row.control == nullptr) return;
  const int32_t value = state_.Options[option];
  if (option == Option::DirXAuto) {
    // A radio button cannot be unchecked by itself: the other one is checked.
    const QSignalBlocker autoBlocker(ui_->DirXAutoCheck);
    const QSignalBlocker forceBlocker(ui_->DirXForceCheck);
    (value != 0 ? ui_->DirXAutoCheck : ui_->DirXForceCheck)->setChecked(true);
    return;
  }
  QWidget* control = findChild<QWidget*>(row.control);
  const QSignalBlocker blocker(control);
  if (auto* bar = qobject_cast<TrackBar*>(control)) {
    bar->setValue(value);
  } else if (auto* group = qobject_cast<RadioGroup*>(control)) {
    group->SetItemIndex(value);
  } else if (auto* box = qobject_cast<QAbstractButton*>(control)) {
    box->setChecked(value != 0);
  }
}

void ControlPanel::TakeOptionFromControl(Option option) {
  QWidget* control = findChild<QWidget*>(RowOf(option).control);
  if (auto* bar = qobject_cast<TrackBar*>(control)) {
    state_.Options.Set(option, bar->value());
  } else if (auto* group = qobject_cast<RadioGroup*>(control)) {
    state_.Options.Set(option, group->ItemIndex());
  } else if (auto* box = qobject_cast<QAbstractButton*>(control)) {
    state_.Options.Set(option, box->isChecked() ? 1 : 0);
  }
}

void ControlPanel::RunOptionChange(Option option) {
  if (const auto changed = RowOf(option).changed) (this->*changed)();
}

void ControlPanel::SetOption(Option option, int32_t value, OptionRun run) {
  const bool changed = state_.Options.Set(option, value);
  ShowOption(option);
  if (changed || run == OptionRun::Always) RunOptionChange(option);
}

void ControlPanel::StepOption(Option option, int by) { SetOption(option, state_.Options[option] + by); }

// ---- What a change does -----------------------------------------------------

void ControlPanel::ApplyDelay() { ui_->SpeedLabel->setText(Text(Player().SetDelay(state_.Options[Option::Speed]))); }

void ControlPanel::ApplyBrightness() {
  ui_->BrightnessLabel->setText(Text(SetBrightness(state_.Colour.Adjustment, state_.Options[Option::Brightness])));
  ApplyPaletteIfPlaying();
}

void ControlPanel::ApplyContrast() {
  ui_->ContrastLabel->setText(Text(SetContrast(state_.Colour.Adjustment, state_.Options[Option::Contrast])));
  ApplyPaletteIfPlaying();
}

void ControlPanel::ApplyMovieTitle() {
  ReturnFocusToButtons();
  if (movieWindow_ != nullptr) SetWindowBorder(*movieWindow_, state_.Options.On(Option::Title), QueryScreenSize());
}

void ControlPanel::ApplyOnTop() {
  if (movieWindow_ != nullptr) SetStayOnTop(*movieWindow_, state_.Options.On(Option::OnTop));
}

// A true-colour display keeps no system colours to give up: the option
// only puts the palette in again.
void ControlPanel::ApplyMaxPalette() { ApplyPaletteIfPlaying(); }

void ControlPanel::ApplyFullScreenChoice() {
  // Full-screen output overrides these options and keeps the user from
  // changing them; each one's change runs, so the movie window follows.
  const bool fullScreen = state_.Options.On(Option::DirectX);
  if (fullScreen) {
    SetOption(Option::OnTop, 0, OptionRun::OnChange);
    SetOption(Option::Title, 1, OptionRun::OnChange);
    SetOption(Option::MaxPal, 0, OptionRun::OnChange);
    if (!ui_->StatPanel->isHidden()) ToggleStatsPanel();
  }
  for (QWidget* control : {static_cast<QWidget*>(ui_->OnTopCheck), static_cast<QWidget*>(ui_->TitleCheck),
                           static_cast<QWidget*>(ui_->MaxPalCheck), static_cast<QWidget*>(ui_->StatsButton)}) {
    control->setEnabled(!fullScreen);
  }
}

void ControlPanel::ApplyReadBig() { state_.Flic.ReadBigFrames = state_.Options.On(Option::ReadBig); }

void ControlPanel::ReturnFocusToButtons() { ui_->TopButtons->setFocus(); }

}  // namespace kt
