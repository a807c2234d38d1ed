// What the player asks of the system about itself and its display: the
// screen's colour depth and the screen's size.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class QWidget;

namespace kt {

// The colour depth, in bits per pixel, of the screen the widget stands on
// (the primary screen when it has none yet).
uint32_t QueryScreenBitsPerPixel(const QWidget* widget);

struct ScreenSize {
  int width = 0;
  int height = 0;
  bool operator==(const ScreenSize&) const = default;
};

// The primary screen's full size in pixels, which the windows are centred
// and scaled against; the override when one is set.
ScreenSize QueryScreenSize();

// Where each screen stands on the desktop, in pixels; the override alone,
// at 0,0, when one is set.
struct ScreenArea {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};
std::vector<ScreenArea> QueryScreenAreas();

// The primary screen's area less the desktop's bars and docks, where a
// window may stand without covering them; the whole override when one is set.
ScreenArea QueryAvailableArea();

// Lets tests fix the screen size (e.g. 1024 x 768); nullopt gives the real one back.
void OverrideScreenSize(std::optional<ScreenSize> size);

}  // namespace kt
