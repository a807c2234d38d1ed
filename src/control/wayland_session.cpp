#include "control/wayland_session.h"

#include <cstdlib>
#include <string_view>

namespace kt {

bool UseXwayland(const std::function<std::string(const char*)>& environment, int argc, const char* const* argv) {
  if (environment("WAYLAND_DISPLAY").empty() || environment("DISPLAY").empty()) return false;
  // Qt takes an empty variable as unset.
  if (!environment("QT_QPA_PLATFORM").empty()) return false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    // Qt reads its options with one dash or two.
    if (argument == "-platform" || argument == "--platform") return false;
  }
  return true;
}

void PreferXwaylandInWaylandSession(int argc, char** argv) {
  const auto environment = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value != nullptr ? value : "");
  };
  if (!UseXwayland(environment, argc, argv)) return;
  // Set before any thread runs; the toolkit reads it when the application
  // object is made. Should the X server not answer, the toolkit goes on to
  // Wayland rather than giving up.
  ::setenv("QT_QPA_PLATFORM", "xcb;wayland", 1);
}

}  // namespace kt
