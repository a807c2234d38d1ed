// The stored options: read into their controls once at start-up, written
// from them at the close, and the reset of the adjustments and the movie
// window's options.
#include <QAbstractButton>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "colour/apply_palette.h"
#include "colour/palette_adjustment.h"
#include "control/mainform.h"
#include "flic/errors.h"
#include "platform/settings_store.h"
#include "playback/playback_state.h"
#include "ui_mainform.h"

namespace kt {

namespace {

// The text of a value: a stored zero byte ends it.
std::string TextOf(const std::string& data) { return data.substr(0, data.find('\0')); }

// An optional sign and decimal digits that fit 32 bits; nothing else, no blanks.
std::optional<int32_t> DecimalInteger(std::string_view text) {
  size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) at = 1;
  if (at == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return std::nullopt;
    value = value * 10 + (text[at] - '0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

[[noreturn]] void NotAnInteger(const std::string& text) {
  throw PlayerError("'" + text + "' is not a valid integer value");
}

// A value that is there but does not read as a number stops the loading;
// what was applied before it stays.
std::optional<int32_t> ReadNumber(const SettingsStore& key, const char* name) {
  const std::optional<std::string> data = key.Query(name);
  if (!data) return std::nullopt;
  const std::string text = TextOf(*data);
  const std::optional<int32_t> number = DecimalInteger(text);
  if (!number) NotAnInteger(text);
  return number;
}

// Only a flag's first character counts: "10" is on.
std::optional<bool> ReadFlag(const SettingsStore& key, const char* name) {
  const std::optional<std::string> data = key.Query(name);
  if (!data || TextOf(*data).empty()) return std::nullopt;
  const char first = (*data)[0];
  if (first < '0' || first > '9') NotAnInteger(std::string(1, first));
  return first != '0';
}

// Every value but the directory is stored with its closing zero byte.
void WriteNumber(SettingsStore& key, const char* name, int64_t value) {
  std::string text = std::to_string(value);
  text.push_back('\0');
  key.Set(name, text);
}

void WriteFlag(SettingsStore& key, const char* name, bool on) { WriteNumber(key, name, on ? 1 : 0); }

// The factor in tenths, the nearest whole number, halves to the even one.
long double ContrastTenths(const Real48& factor) { return std::nearbyint(factor.Value() * 10.0L); }

void ReadBox(const SettingsStore& key, const char* name, QAbstractButton* box) {
  // A box whose state changes runs its own click handler.
  if (const std::optional<bool> on = ReadFlag(key, name)) box->setChecked(*on);
}

}  // namespace

void TDisplayForm::LoadSettings() {
  SettingsStore key;
  if (!key.Open()) return;
  PaletteAdjustment& adjustment = state_.Colour.Adjustment;

  // Code-set bars run nothing, so each bar's handler is run here, value or not.
  if (const std::optional<int32_t> speed = ReadNumber(key, "Speed")) ui_->SpeedBar->setValue(*speed);
  SpeedBarChange();

  if (const std::optional<int32_t> brightness = ReadNumber(key, "Brightness")) {
    adjustment.BrightnessOffset = static_cast<uint16_t>(*brightness);
  }
  ui_->BrightnessBar->setValue(adjustment.BrightnessOffset);
  BrightnessBarChange();

  if (const std::optional<int32_t> contrast = ReadNumber(key, "Contrast")) {
    adjustment.ContrastFactor = Real48::Round(static_cast<long double>(*contrast) * 0.1L);
  }
  const long double tenths = ContrastTenths(adjustment.ContrastFactor);
  ui_->ContrastBar->setValue(static_cast<int>(std::clamp<long double>(tenths, kContrastBarMin, kContrastBarMax)));
  ContrastBarChange();

  // Not checked against the screen: a panel saved off the screen comes back there.
  if (const std::optional<int32_t> left = ReadNumber(key, "WindowLeft")) move(*left, y());
  if (const std::optional<int32_t> top = ReadNumber(key, "WindowTop")) move(x(), *top);

  ReadBox(key, "Title", ui_->TitleCheck);
  ReadBox(key, "Loop", ui_->LoopCheck);
  ReadBox(key, "OnTop", ui_->OnTopCheck);
  ReadBox(key, "MaxPal", ui_->MaxPalCheck);
  ReadBox(key, "ReadBig", ui_->ReadBigCheck);
  ReadBox(key, "RemLastdir", ui_->LastDirCheck);

  if (ui_->LastDirCheck->isChecked()) {
    if (const std::optional<std::string> folder = key.Query("Lastdir")) {
      state_.OpenDialog.InitialDir = TextOf(*folder);
    }
  }

  ReadBox(key, "Optimize", ui_->OptimizeCheck);
  // With Direct-X on, its rule overrides whatever was read for the title,
  // on-top and max-palette boxes.
  if (const std::optional<bool> directX = ReadFlag(key, "DirectX")) {
    ui_->DirectXCheck->setChecked(*directX);
    DirectXCheckClick();
  }
  // Two radio buttons of one panel: checking one unchecks the other, and
  // the checked one cannot be unchecked by itself.
  if (const std::optional<bool> automatic = ReadFlag(key, "DirXAuto")) {
    (*automatic ? ui_->DirXAutoCheck : ui_->DirXForceCheck)->setChecked(true);
  }
  ReadBox(key, "DirXOneSurface", ui_->DirXSurfaceCheck);
  ReadBox(key, "DirXFPS", ui_->DirXFPSCheck);
  if (const std::optional<int32_t> mode = ReadNumber(key, "ForcedMode")) {
    ui_->ForceModeRadioGroup->SetItemIndex(*mode);
  }
}

void TDisplayForm::SaveSettings() {
  SettingsStore key;
  if (!key.Open()) return;
  WriteNumber(key, "Speed", ui_->SpeedBar->value());
  WriteNumber(key, "Brightness", state_.Colour.Adjustment.BrightnessOffset);
  WriteNumber(key, "Contrast", static_cast<int64_t>(ContrastTenths(state_.Colour.Adjustment.ContrastFactor)));
  WriteNumber(key, "WindowLeft", x());
  WriteNumber(key, "WindowTop", y());
  WriteFlag(key, "Title", ui_->TitleCheck->isChecked());
  WriteFlag(key, "Loop", ui_->LoopCheck->isChecked());
  WriteFlag(key, "OnTop", ui_->OnTopCheck->isChecked());
  WriteFlag(key, "MaxPal", ui_->MaxPalCheck->isChecked());
  // The box, not the flag: a word may have set the flag alone for this run.
  WriteFlag(key, "ReadBig", ui_->ReadBigCheck->isChecked());
  WriteFlag(key, "RemLastDir", ui_->LastDirCheck->isChecked());
  // Kept also when the box is off, so turning it on again finds the folder.
  key.Set("LastDir", state_.OpenDialog.InitialDir);
  WriteFlag(key, "Optimize", ui_->OptimizeCheck->isChecked());
  WriteFlag(key, "DirectX", ui_->DirectXCheck->isChecked());
  WriteFlag(key, "DirXAuto", ui_->DirXAutoCheck->isChecked());
  WriteFlag(key, "DirXOneSurface", ui_->DirXSurfaceCheck->isChecked());
  WriteFlag(key, "DirXFPS", ui_->DirXFPSCheck->isChecked());
  WriteNumber(key, "ForcedMode", ui_->ForceModeRadioGroup->ItemIndex());
  // A save that fails leaves the previous options in place; there is no one to tell.
  key.Close();
}

void TDisplayForm::ResetButtonClick() {
  ui_->SpeedBar->setValue(kSpeedBarMax);
  ui_->ContrastBar->setValue(kContrastBarInitial);
  ui_->BrightnessBar->setValue(kBrightnessBarInitial);
  SpeedBarChange();
  ContrastBarChange();
  BrightnessBarChange();
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
  if (state_.Playback.Playing) ApplyPalette(state_.Colour, Palettes(), WindowOutputInUse());
}

}  // namespace kt
