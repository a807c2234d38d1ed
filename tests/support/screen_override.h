// The screen's size as the window rules see it, fixed for a test and given
// back at its end, and where those rules centre a window on it.
#pragma once

#include <QPoint>
#include <QWidget>
#include <optional>

#include "platform/qt/system_metrics.h"

namespace kt::test {

struct ScreenOverride {
  ScreenOverride(int width, int height) { OverrideScreenSize(ScreenSize{width, height}); }
  ~ScreenOverride() { OverrideScreenSize(std::nullopt); }
};

// Where the centring rule puts a window's outer frame, border and caption
// included; halves truncate towards zero.
inline QPoint CentredOn(const QWidget& window, int screenWidth, int screenHeight) {
  const QSize outer = window.frameGeometry().size();
  return {(screenWidth - outer.width()) / 2, (screenHeight - outer.height()) / 2};
}

}  // namespace kt::test
