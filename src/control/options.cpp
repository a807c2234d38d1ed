#include "control/options.h"

#include <algorithm>
#include <cmath>

#include "colour/palette_adjustment.h"
#include "control/control_panel.h"
#include "playback/playback_state.h"

namespace kt {

namespace {

using P = ControlPanel;

// The brightness was stored as a 16-bit offset: -1 stands for 65535.
int32_t SixteenBits(int32_t stored) { return static_cast<uint16_t>(stored); }

// The contrast is stored in tenths of its factor, which carries 40 bits.
int32_t ContrastTenths(int32_t stored) {
  const long double tenths =
      std::nearbyint(ContrastFactor::Round(static_cast<long double>(stored) * 0.1L).Value() * 10.0L);
  return static_cast<int32_t>(std::clamp<long double>(tenths, INT32_MIN, INT32_MAX));
}

constexpr OptionRun kAlways = OptionRun::Always;

}  // namespace

const std::array<OptionRow, kOptionCount>& OptionRows() {
  // clang-format off
  static const std::array<OptionRow, kOptionCount> rows = {{
      {.option = Option::Speed, .fileKey = "Speed", .type = OptionType::Number, .min = 0, .max = kSpeedBarMax,
       .initial = kSpeedBarMax, .valueWord = Word::Delay, .control = "SpeedBar", .changed = &P::ApplyDelay,
       .run = kAlways},
      {.option = Option::Brightness, .fileKey = "Brightness", .type = OptionType::Number, .min = kBrightnessBarMin,
       .max = kBrightnessBarMax, .initial = kBrightnessBarInitial, .valueWord = Word::Brightness,
       .control = "BrightnessBar", .changed = &P::ApplyBrightness, .run = kAlways, .fromFile = SixteenBits},
      {.option = Option::Contrast, .fileKey = "Contrast", .type = OptionType::Number, .min = kContrastBarMin,
       .max = kContrastBarMax, .initial = kContrastBarInitial, .valueWord = Word::Contrast, .control = "ContrastBar",
       .changed = &P::ApplyContrast, .run = kAlways, .fromFile = ContrastTenths},
      {.option = Option::WindowLeft, .fileKey = "WindowLeft", .type = OptionType::Place},
      {.option = Option::WindowTop, .fileKey = "WindowTop", .type = OptionType::Place},
      {.option = Option::Title, .fileKey = "Title", .type = OptionType::Flag, .initial = 1, .onWord = Word::TitleOn,
       .offWord = Word::TitleOff, .control = "TitleCheck", .changed = &P::ApplyMovieTitle},
      {.option = Option::Loop, .fileKey = "Loop", .type = OptionType::Flag, .initial = 1, .onWord = Word::LoopOn,
       .offWord = Word::LoopOff, .control = "LoopCheck", .changed = &P::ReturnFocusToButtons},
      {.option = Option::OnTop, .fileKey = "OnTop", .type = OptionType::Flag, .onWord = Word::OnTopOn,
       .offWord = Word::OnTopOff, .control = "OnTopCheck", .changed = &P::ApplyOnTop},
      {.option = Option::MaxPal, .fileKey = "MaxPal", .type = OptionType::Flag, .onWord = Word::MaxPalOn,
       .offWord = Word::MaxPalOff, .control = "MaxPalCheck", .changed = &P::ApplyMaxPalette},
      // BIGREADON reads big frames for its run only, leaving this option as it was.
      {.option = Option::ReadBig, .fileKey = "ReadBig", .type = OptionType::Flag, .control = "ReadBigCheck",
       .changed = &P::ApplyReadBig},
      // Turning it over also sets the big-frame reading back to the option's.
      {.option = Option::RemLastDir, .fileKey = "RemLastDir", .type = OptionType::Flag, .initial = 1,
       .control = "LastDirCheck", .changed = &P::ApplyReadBig},
      {.option = Option::LastDir, .fileKey = "LastDir", .type = OptionType::Folder},
      {.option = Option::Optimize, .fileKey = "Optimize", .type = OptionType::Flag, .initial = 1,
       .onWord = Word::OptimizeOn, .offWord = Word::OptimizeOff, .control = "OptimizeCheck",
       .changed = &P::ApplyFullScreenChoice},
      // With it on, its rule overrides the title, on-top and maximum-palette options.
      {.option = Option::DirectX, .fileKey = "DirectX", .type = OptionType::Flag, .onWord = Word::DirectXOn,
       .offWord = Word::DirectXOff, .control = "DirectXCheck", .changed = &P::ApplyFullScreenChoice, .run = kAlways},
      // Two radio buttons: on checks the automatic one, off the forced one.
      {.option = Option::DirXAuto, .fileKey = "DirXAuto", .type = OptionType::Flag, .initial = 1,
       .onWord = Word::AutoModeOn, .offWord = Word::AutoModeOff, .control = "DirXAutoCheck"},
      {.option = Option::DirXOneSurface, .fileKey = "DirXOneSurface", .type = OptionType::Flag,
       .onWord = Word::OneSurfOn, .offWord = Word::OneSurfOff, .control = "DirXSurfaceCheck"},
      {.option = Option::DirXFPS, .fileKey = "DirXFPS", .type = OptionType::Flag, .onWord = Word::FpsOn,
       .offWord = Word::FpsOff, .control = "DirXFPSCheck"},
      {.option = Option::ForcedMode, .fileKey = "ForcedMode", .type = OptionType::Number, .min = -1, .max = 8,
       .valueWord = Word::Mode, .control = "ForceModeRadioGroup"},
  }};
  // clang-format on
  return rows;
}

const OptionRow& RowOf(Option option) { return OptionRows()[static_cast<size_t>(option)]; }

const OptionRow* RowOfWord(Word word) {
  for (const OptionRow& row : OptionRows()) {
    if (row.onWord == word || row.offWord == word || row.valueWord == word) return &row;
  }
  return nullptr;
}

OptionValues::OptionValues() {
  for (const OptionRow& row : OptionRows()) values_[static_cast<size_t>(row.option)] = row.initial;
}

bool OptionValues::Set(Option option, int32_t value) {
  const OptionRow& row = RowOf(option);
  int32_t& held = values_[static_cast<size_t>(option)];
  const int32_t old = held;
  held = std::clamp(value, row.min, row.max);
  return held != old;
}

}  // namespace kt
