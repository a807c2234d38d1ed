// A control panel built for a test: scripted boxes and dialogs, its movie
// window, a fixed 1024 x 768 screen, and its controls found by name.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "control/control_behaviour.h"
#include "control/control_panel.h"
#include "flic_writer.h"
#include "platform/qt/system_metrics.h"
#include "platform/settings_store.h"
#include "scripted_window_services.h"
#include "views/movie_window.h"
#include "words/command_line.h"

namespace kt::test {

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() {
    OverrideScreenSize(ScreenSize{1024, 768});
    form.SetMovieWindow(&movie);
  }
  ~PanelTest() override {
    form.SetMovieWindow(nullptr);
    OverrideScreenSize(std::nullopt);
  }

  template <typename T = QWidget>
  T* Get(const std::string& name) {
    T* control = form.findChild<T*>(QString::fromStdString(name));
    if (control == nullptr) throw std::runtime_error("no control " + name);
    return control;
  }
  bool Shown(const std::string& name) { return !Get(name)->isHidden(); }
  void Click(const std::string& name) { Get<QAbstractButton>(name)->click(); }
  bool Checked(const std::string& name) { return Get<QAbstractButton>(name)->isChecked(); }
  bool Enabled(const std::string& name) { return Get(name)->isEnabled(); }
  int Bar(const std::string& name) { return Get<TrackBar>(name)->value(); }
  std::string Text(const std::string& label) { return Get<QLabel>(label)->text().toStdString(); }

  ScriptedWindowServices services;
  ControlPanel form{services};
  MovieWindow movie;
};

// The words run through the panel, as at the program's start, on the clock
// the waits move, in a folder of their own so that relative flic names find
// their files.
class WordsPanelTest : public PanelTest {
 protected:
  WordsPanelTest() : oldDir_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir.Path());
    form.SetTick([this] { return services.clock; });
  }
  ~WordsPanelTest() override { std::filesystem::current_path(oldDir_); }

  // Hands the words to the panel, which runs them when it is shown (Run).
  void Words(std::vector<std::string> parameters) {
    CommandLineSetup setup;
    setup.parameters = std::move(parameters);
    setup.sleep = [this](uint32_t ms) { services.clock += ms; };
    setup.endApplication = [this] { ++endRequests; };
    form.SetCommandLine(std::move(setup));
  }
  void Run(std::vector<std::string> parameters) {
    Words(std::move(parameters));
    form.show();
  }
  // Four frames, the first of one colour; the path written.
  std::string WriteFlic(const std::string& name, uint16_t magic = 0xAF12) {
    FlicSpec spec;
    spec.magic = magic;
    spec.speed = magic == 0xAF11 ? 2 : 30;
    spec.records = {Frame({Color256({{10, 20, 30}}), Black()}), Frame({}), Frame({}), Frame({})};
    return SaveFlic(dir / name, spec);
  }

  TempDir dir;
  int endRequests = 0;

 private:
  std::filesystem::path oldDir_;
};

// A number or flag as earlier versions stored it: its digits and a zero byte.
inline std::string Z(const std::string& text) { return text + '\0'; }

inline std::string FileBytes() { return ReadFileText(SettingsStore().FilePath()); }

// The stored options become these alone.
inline void Store(const SettingsValues& values) {
  std::filesystem::remove(SettingsStore().FilePath());
  SettingsStore key;
  ASSERT_TRUE(key.Open());
  for (const auto& [name, data] : values) key.Set(name, data);
  ASSERT_TRUE(key.Close());
}

}  // namespace kt::test
