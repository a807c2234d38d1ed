// The player's options, declared once: each row says how the options file
// names the value, what it may hold and starts at, which words set it,
// which control of the control panel shows it and what a change does. The
// options file, the words, the keys and the panel all work through the
// rows; the values themselves live in an OptionValues model that the
// playback reads, never in the controls that show them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "words/command_line.h"

namespace kt {

class ControlPanel;

// In the order the options file is read and written.
enum class Option : uint8_t {
  Speed,
  Brightness,
  Contrast,
  WindowLeft,
  WindowTop,
  Title,
  Loop,
  OnTop,
  MaxPal,
  ReadBig,
  RemLastDir,
  LastDir,
  Optimize,
  DirectX,
  DirXAuto,
  DirXOneSurface,
  DirXFPS,
  ForcedMode,
};
inline constexpr size_t kOptionCount = 18;

enum class OptionType {
  Number,  // a whole number, limited to its range
  Flag,    // 0 or 1; the file's first character counts
  Place,   // the control panel's corner, which the panel itself holds
  Folder,  // the Open dialog's folder, which the load itself keeps
};

// When a value set from code runs its row's change.
enum class OptionRun {
  OnChange,  // only when the value changed, as a box's own click does
  Always,    // also for the value it already had: bars relabel and repaint
};

struct OptionRow {
  Option option;
  const char* fileKey;  // read in any letter case, written as here
  OptionType type;
  int32_t min = 0;
  int32_t max = 1;
  int32_t initial = 0;  // a first run's value
  // The words that turn it on and off, or that give it the next token.
  std::optional<Word> onWord{}, offWord{}, valueWord{};
  const char* control = nullptr;  // the panel control that shows it
  // What a change does beyond storing it; null: nothing more.
  void (ControlPanel::*changed)() = nullptr;
  OptionRun run = OptionRun::OnChange;
  // The stored number as the value it stands for, before the range applies.
  int32_t (*fromFile)(int32_t stored) = nullptr;
};

const std::array<OptionRow, kOptionCount>& OptionRows();
const OptionRow& RowOf(Option option);
// The row whose words include `word`; null for a word that is no option's.
const OptionRow* RowOfWord(Word word);

// The values of the Number and Flag rows, each kept within its range.
class OptionValues {
 public:
  OptionValues();
  int32_t operator[](Option option) const { return values_[static_cast<size_t>(option)]; }
  bool On(Option option) const { return (*this)[option] != 0; }
  // Limits the value to the row's range; true when it changed.
  bool Set(Option option, int32_t value);

 private:
  std::array<int32_t, kOptionCount> values_{};
};

}  // namespace kt
