// The stored options: read into the option values once at start-up,
// written from them at the close, and what this run read, so that the
// close writes back only that and what the user changed. Which values
// there are, and how each is kept, is the option table's.
#include <optional>
#include <string>

#include "base/ascii.h"
#include "base/errors.h"
#include "base/integer_text.h"
#include "control/control_panel.h"
#include "control/options.h"
#include "platform/settings_store.h"

namespace kt {

namespace {

// The text of a value. Earlier versions stored a zero byte after each
// number, which ends the text.
std::string TextOf(const std::string& data) { return data.substr(0, data.find('\0')); }

[[noreturn]] void NotAnInteger(const std::string& text) { throw PlayerError(NotAnIntegerText(text)); }

// The load's reads. Each name read, present or absent, is noted as loaded
// with what it held; a value that is there but does not read as a number
// stops the loading, and neither it nor any value after it counts as loaded.
class OptionReader {
 public:
  using Loaded = std::map<std::string, std::optional<std::string>>;
  OptionReader(const SettingsStore& key, Loaded& loaded) : key_(key), loaded_(loaded) {}

  std::optional<int32_t> Number(const OptionRow& row) {
    const std::optional<std::string> data = Text(row);
    if (!data) return std::nullopt;
    const std::string text = TextOf(*data);
    const std::optional<int32_t> number = ParseInt32(text);
    if (!number) Stop(row, text);
    return number;
  }

  // Only a flag's first character counts: "10" is on. Empty data is absent.
  std::optional<int32_t> Flag(const OptionRow& row) {
    const std::optional<std::string> data = Text(row);
    if (!data || TextOf(*data).empty()) return std::nullopt;
    const char first = (*data)[0];
    if (first < '0' || first > '9') Stop(row, std::string(1, first));
    return first != '0' ? 1 : 0;
  }

  std::optional<std::string> Text(const OptionRow& row) {
    std::optional<std::string> data = key_.Query(row.fileKey);
    loaded_[AsciiLowerCase(row.fileKey)] = data;
    return data;
  }

 private:
  [[noreturn]] void Stop(const OptionRow& row, const std::string& text) {
    loaded_.erase(AsciiLowerCase(row.fileKey));
    NotAnInteger(text);
  }

  const SettingsStore& key_;
  Loaded& loaded_;
};

}  // namespace

void ControlPanel::LoadSettings() {
  // Whatever the load read stays applied, also when a bad value stops it:
  // from here on, that is the state the user's changes are measured from.
  struct NoteBaseline {
    ControlPanel& form;
    ~NoteBaseline() { form.NoteOptionsBaseline(true); }
  } noteBaseline{*this};
  SettingsStore key;
  if (!key.Open()) return;
  OptionReader read(key, loadedOptions_);
  std::optional<int32_t> left;
  for (const OptionRow& row : OptionRows()) {
    switch (row.type) {
      case OptionType::Number:
        if (const std::optional<int32_t> number = read.Number(row)) {
          SetOption(row.option, row.fromFile != nullptr ? row.fromFile(*number) : *number, row.run);
        } else if (row.run == OptionRun::Always) {
          RunOptionChange(row.option);
        }
        break;
      case OptionType::Flag:
        if (const std::optional<int32_t> on = read.Flag(row)) SetOption(row.option, *on, row.run);
        break;
      case OptionType::Place:
        if (row.option == Option::WindowLeft) {
          left = read.Number(row);
        } else if (const std::optional<int32_t> top = read.Number(row); left || top) {
          PlacePanel(QPoint(left.value_or(x()), top.value_or(y())));
        }
        break;
      case OptionType::Folder:
        // Not read when the option is off: the stored folder then stays as
        // it was unless a file is chosen in this run.
        if (state_.Options.On(Option::RemLastDir)) {
          if (const std::optional<std::string> folder = read.Text(row)) state_.OpenDialog.InitialDir = TextOf(*folder);
        }
        break;
    }
  }
}

SettingsValues ControlPanel::CurrentOptions() const {
  SettingsValues values;
  for (const OptionRow& row : OptionRows()) {
    std::string text;
    switch (row.type) {
      case OptionType::Number:
      case OptionType::Flag: text = std::to_string(state_.Options[row.option]); break;
      case OptionType::Place: text = std::to_string(row.option == Option::WindowLeft ? x() : y()); break;
      // Kept also when the option is off, so turning it on again finds the folder.
      case OptionType::Folder: text = state_.OpenDialog.InitialDir; break;
    }
    values.emplace_back(row.fileKey, std::move(text));
  }
  return values;
}

void ControlPanel::NoteOptionsBaseline(bool replace) {
  if (!replace && optionsBaseline_) return;
  optionsBaseline_ = CurrentOptions();
  // The panel's place counts from where the program put it: the window
  // manager may still be framing it, which is no move of the user's.
  (*optionsBaseline_)[static_cast<size_t>(Option::WindowLeft)].second = std::to_string(placedAt_.x());
  (*optionsBaseline_)[static_cast<size_t>(Option::WindowTop)].second = std::to_string(placedAt_.y());
}

void ControlPanel::SaveSettings() {
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
  const auto report = [&key](const SettingsOutcome& failed) {
    if (failed.failure.empty()) return;
    std::fprintf(stderr, "kinetrope: the options of this session were not saved to %s: %s\n", key.FilePath().c_str(),
                 failed.failure.c_str());
  };
  if (SettingsOutcome opened = key.Open(); !opened) return report(opened);
  for (size_t i = 0; i < current.size(); ++i) {
    const auto& [name, data] = current[i];
    if (optionsBaseline_ && (*optionsBaseline_)[i].second != data) {
      key.Set(name, data);
    } else if (const auto loaded = loadedOptions_.find(AsciiLowerCase(name)); loaded != loadedOptions_.end()) {
      key.SetIfUnchanged(name, data, loaded->second);
    }
  }
  if (SettingsOutcome closed = key.Close(); !closed) report(closed);
}

}  // namespace kt
