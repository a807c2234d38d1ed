#include "control/wayland_session.h"

#include <cstdlib>
#include <string_view>

namespace kt {

namespace {

// Qt takes an empty variable as unset.
bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool UseXwayland(int argc, char** argv) {
  if (!Set("WAYLAND_DISPLAY") || !Set("DISPLAY") || Set("QT_QPA_PLATFORM")) return false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    // Qt reads its options with one dash or two.
    if (argument == "-platform" || argument == "--platform") return false;
  }
  return true;
}

}  // namespace

void PreferXwaylandInWaylandSession(int argc, char** argv) {
  if (!UseXwayland(argc, argv)) return;
  // Set before any thread runs; the toolkit reads it when the application
  // object is made. Should the X server not answer, the toolkit goes on to
  // Wayland rather than giving up.
  ::setenv("QT_QPA_PLATFORM", "xcb;wayland", 1);
}

}  // namespace kt
