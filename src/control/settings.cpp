// The stored options: read into their controls once at start-up, written
// from them at the close, and what this run read, so that the close writes
// back only that and what the user changed.
#include <QAbstractButton>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/ascii.h"
#include "base/errors.h"
#include "base/integer_text.h"
#include "colour/palette_adjustment.h"
#include "control/mainform.h"
#include "platform/qt/window_operations.h"
#include "platform/settings_store.h"
#include "playback/playback_state.h"
#include "ui_mainform.h"

namespace kt {

namespace {

// The text of a value: a stored zero byte ends it.
std::string TextOf(const std::string& data) { return data.substr(0, data.find('\0')); }

[[noreturn]] void NotAnInteger(const std::string& text) { throw PlayerError(NotAnIntegerText(text)); }

// The load's reads. Each name read, present or absent, is noted as loaded
// with what it held; a value that is there but does not read as a number
// stops the loading, and neither it nor any value after it counts as loaded.
class OptionReader {
 public:
  using Loaded = std::map<std::string, std::optional<std::string>>;
  OptionReader(const SettingsStore& key, Loaded& loaded) : key_(key), loaded_(loaded) {}

  std::optional<int32_t> Number(const char* name) {
    const std::optional<std::string> data = key_.Query(name);
    std::optional<int32_t> number;
    if (data) {
      const std::string text = TextOf(*data);
      number = ParseInt32(text);
      if (!number) NotAnInteger(text);
    }
    loaded_[AsciiLowerCase(name)] = data;
    return number;
  }

  // Only a flag's first character counts: "10" is on.
  std::optional<bool> Flag(const char* name) {
    const std::optional<std::string> data = key_.Query(name);
    std::optional<bool> on;
    if (data && !TextOf(*data).empty()) {
      const char first = (*data)[0];
      if (first < '0' || first > '9') NotAnInteger(std::string(1, first));
      on = first != '0';
    }
    loaded_[AsciiLowerCase(name)] = data;
    return on;
  }

  std::optional<std::string> Text(const char* name) {
    std::optional<std::string> data = key_.Query(name);
    loaded_[AsciiLowerCase(name)] = data;
    return data;
  }

  // A box whose state changes runs its own click handler.
  void Box(const char* name, QAbstractButton* box) {
    if (const std::optional<bool> on = Flag(name)) box->setChecked(*on);
  }

 private:
  const SettingsStore& key_;
  Loaded& loaded_;
};

// Every value but the directory is stored with its closing zero byte.
void AddNumber(SettingsValues& values, const char* name, int64_t value) {
  std::string text = std::to_string(value);
  text.push_back('\0');
  values.emplace_back(name, std::move(text));
}

void AddFlag(SettingsValues& values, const char* name, bool on) { AddNumber(values, name, on ? 1 : 0); }

// The factor in tenths, the nearest whole number, halves to the even one.
long double ContrastTenths(const Real48& factor) { return std::nearbyint(factor.Value() * 10.0L); }

}  // namespace

void TDisplayForm::LoadSettings() {
  // Whatever the load read stays applied, also when a bad value stops it:
  // from here on, that is the state the user's changes are measured from.
  struct NoteBaseline {
    TDisplayForm& form;
    ~NoteBaseline() { form.NoteOptionsBaseline(true); }
  } noteBaseline{*this};
  SettingsStore key;
  if (!key.Open()) return;
  OptionReader read(key, loadedOptions_);
  PaletteAdjustment& adjustment = state_.Colour.Adjustment;

  // Code-set bars run nothing, so each bar's handler is run here, value or not.
  if (const std::optional<int32_t> speed = read.Number("Speed")) ui_->SpeedBar->setValue(*speed);
  SpeedBarChange();

  if (const std::optional<int32_t> brightness = read.Number("Brightness")) {
    adjustment.BrightnessOffset = static_cast<uint16_t>(*brightness);
  }
  ui_->BrightnessBar->setValue(adjustment.BrightnessOffset);
  BrightnessBarChange();

  if (const std::optional<int32_t> contrast = read.Number("Contrast")) {
    adjustment.ContrastFactor = Real48::Round(static_cast<long double>(*contrast) * 0.1L);
  }
  const long double tenths = ContrastTenths(adjustment.ContrastFactor);
  ui_->ContrastBar->setValue(static_cast<int>(std::clamp<long double>(tenths, kContrastBarMin, kContrastBarMax)));
  ContrastBarChange();

  const std::optional<int32_t> left = read.Number("WindowLeft");
  const std::optional<int32_t> top = read.Number("WindowTop");
  if (left || top) PlacePanel(QPoint(left.value_or(x()), top.value_or(y())));

  read.Box("Title", ui_->TitleCheck);
  read.Box("Loop", ui_->LoopCheck);
  read.Box("OnTop", ui_->OnTopCheck);
  read.Box("MaxPal", ui_->MaxPalCheck);
  read.Box("ReadBig", ui_->ReadBigCheck);
  read.Box("RemLastdir", ui_->LastDirCheck);

  // Not read when the box is off: the stored folder then stays as it was
  // unless a file is chosen in this run.
  if (ui_->LastDirCheck->isChecked()) {
    if (const std::optional<std::string> folder = read.Text("Lastdir")) {
      state_.OpenDialog.InitialDir = TextOf(*folder);
    }
  }

  read.Box("Optimize", ui_->OptimizeCheck);
  // With Direct-X on, its rule overrides whatever was read for the title,
  // on-top and max-palette boxes.
  if (const std::optional<bool> directX = read.Flag("DirectX")) {
    ui_->DirectXCheck->setChecked(*directX);
    DirectXCheckClick();
  }
  // Two radio buttons of one panel: checking one unchecks the other, and
  // the checked one cannot be unchecked by itself.
  if (const std::optional<bool> automatic = read.Flag("DirXAuto")) {
    (*automatic ? ui_->DirXAutoCheck : ui_->DirXForceCheck)->setChecked(true);
  }
  read.Box("DirXOneSurface", ui_->DirXSurfaceCheck);
  read.Box("DirXFPS", ui_->DirXFPSCheck);
  if (const std::optional<int32_t> mode = read.Number("ForcedMode")) {
    ui_->ForceModeRadioGroup->SetItemIndex(*mode);
  }
}

SettingsValues TDisplayForm::CurrentOptions() const {
  SettingsValues values;
  AddNumber(values, "Speed", ui_->SpeedBar->value());
  AddNumber(values, "Brightness", state_.Colour.Adjustment.BrightnessOffset);
  AddNumber(values, "Contrast", static_cast<int64_t>(ContrastTenths(state_.Colour.Adjustment.ContrastFactor)));
  AddNumber(values, "WindowLeft", x());
  AddNumber(values, "WindowTop", y());
  AddFlag(values, "Title", ui_->TitleCheck->isChecked());
  AddFlag(values, "Loop", ui_->LoopCheck->isChecked());
  AddFlag(values, "OnTop", ui_->OnTopCheck->isChecked());
  AddFlag(values, "MaxPal", ui_->MaxPalCheck->isChecked());
  // The box, not the flag: a word may have set the flag alone for this run.
  AddFlag(values, "ReadBig", ui_->ReadBigCheck->isChecked());
  AddFlag(values, "RemLastDir", ui_->LastDirCheck->isChecked());
  // Bare, without a zero byte; kept also when the box is off, so turning it
  // on again finds the folder.
  values.emplace_back("LastDir", state_.OpenDialog.InitialDir);
  AddFlag(values, "Optimize", ui_->OptimizeCheck->isChecked());
  AddFlag(values, "DirectX", ui_->DirectXCheck->isChecked());
  AddFlag(values, "DirXAuto", ui_->DirXAutoCheck->isChecked());
  AddFlag(values, "DirXOneSurface", ui_->DirXSurfaceCheck->isChecked());
  AddFlag(values, "DirXFPS", ui_->DirXFPSCheck->isChecked());
  AddNumber(values, "ForcedMode", ui_->ForceModeRadioGroup->ItemIndex());
  return values;
}

void TDisplayForm::NoteOptionsBaseline(bool replace) {
  if (!replace && optionsBaseline_) return;
  optionsBaseline_ = CurrentOptions();
  // The panel's place counts from where the program put it: the window
  // manager may still be framing it, which is no move of the user's.
  for (auto& [name, data] : *optionsBaseline_) {
    if (name == "WindowLeft") data = std::to_string(placedAt_.x()) + '\0';
    if (name == "WindowTop") data = std::to_string(placedAt_.y()) + '\0';
  }
}

void TDisplayForm::SaveSettings() {
  const SettingsValues current = CurrentOptions();
  SettingsStore key;
  bool anything = false;
  for (size_t i = 0; i < current.size() && !anything; ++i) {
    const bool changed = optionsBaseline_ && (*optionsBaseline_)[i].second != current[i].second;
    anything = changed || loadedOptions_.count(AsciiLowerCase(current[i].first)) != 0;
  }
  if (!anything) return;
  // The session's options are lost; the user hears of it on the terminal,
  // where a player ending has no window left to show a box in.
  const auto reportFailure = [&key] {
    if (key.Failure().empty()) return;
    std::fprintf(stderr, "kinetrope: the options of this session were not saved to %s: %s\n", key.FilePath().c_str(),
                 key.Failure().c_str());
  };
  if (!key.Open()) return reportFailure();
  for (size_t i = 0; i < current.size(); ++i) {
    const auto& [name, data] = current[i];
    if (optionsBaseline_ && (*optionsBaseline_)[i].second != data) {
      key.Set(name, data);
    } else if (const auto loaded = loadedOptions_.find(AsciiLowerCase(name)); loaded != loadedOptions_.end()) {
      key.SetIfUnchanged(name, data, loaded->second);
    }
  }
  if (!key.Close()) reportFailure();
}

}  // namespace kt
