#include "platform/qt/system_metrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kt {

namespace {
std::optional<ScreenSize> screenSizeOverride;
}

uint32_t QueryScreenBitsPerPixel(const QWidget* widget) {
  const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 0;
  return static_cast<uint32_t>(screen->depth());
}

ScreenSize QueryScreenSize() {
  if (screenSizeOverride) return *screenSizeOverride;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QSize size = screen->geometry().size();
  return {size.width(), size.height()};
}

std::vector<ScreenArea> QueryScreenAreas() {
  if (screenSizeOverride) return {{0, 0, screenSizeOverride->width, screenSizeOverride->height}};
  std::vector<ScreenArea> areas;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->geometry();
    areas.push_back({area.left(), area.top(), area.width(), area.height()});
  }
  return areas;
}

ScreenArea QueryAvailableArea() {
  if (screenSizeOverride) return {0, 0, screenSizeOverride->width, screenSizeOverride->height};
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QRect area = screen->availableGeometry();
  return {area.left(), area.top(), area.width(), area.height()};
}

void OverrideScreenSize(std::optional<ScreenSize> size) { screenSizeOverride = size; }

}  // namespace kt
