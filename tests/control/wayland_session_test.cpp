#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "control/wayland_session.h"

namespace kt {
namespace {

// Xwayland only where both displays are there and the user chose nothing;
// a choice, even of X11 itself, is left alone.
TEST(WaylandSessionTest, XwaylandOnlyWithBothDisplaysAndNoPlatformChosen) {
  const auto use = [](std::map<std::string, std::string> variables, std::vector<const char*> arguments = {}) {
    arguments.insert(arguments.begin(), "kinetrope");
    return UseXwayland([&variables](const char* name) { return variables[name]; }, static_cast<int>(arguments.size()),
                       arguments.data());
  };
  const std::map<std::string, std::string> both = {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}};
  EXPECT_TRUE(use(both, {"intro.flc", "/CLOSE"}));
  EXPECT_TRUE(use({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", ""}}));
  EXPECT_FALSE(use({{"WAYLAND_DISPLAY", "wayland-0"}}));
  EXPECT_FALSE(use({{"DISPLAY", ":0"}}));
  EXPECT_FALSE(use({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}));
  EXPECT_FALSE(use(both, {"-platform", "wayland", "intro.flc"}));
  EXPECT_FALSE(use(both, {"--platform", "wayland"}));
}

}  // namespace
}  // namespace kt
