// A control panel built for a test: scripted boxes and dialogs, its movie
// window, a fixed 1024 x 768 screen, and its controls found by name.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <stdexcept>
#include <string>

#include "control/mainform.h"
#include "platform/qt/system_metrics.h"
#include "scripted_window_services.h"
#include "windows/imageunt.h"

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

  ScriptedWindowServices services;
  TDisplayForm form{services};
  TImageForm movie;
};

}  // namespace kt::test
