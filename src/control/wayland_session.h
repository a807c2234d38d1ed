// Where the windows go in a Wayland session. The player places its windows
// itself: the panel's stored place, the movie window centred, the panel moved
// off the screen, full screen over the whole screen. A Wayland compositor
// lets no client do any of that, while an X server does, and Xwayland gives
// every Wayland desktop one.
#pragma once

#include <functional>
#include <string>

namespace kt {

// Whether to ask for X11 although the session is Wayland: both displays are
// there and the user named no platform, neither in QT_QPA_PLATFORM nor with
// -platform. `environment` answers a variable's value, empty when unset.
bool UseXwayland(const std::function<std::string(const char*)>& environment, int argc, const char* const* argv);

// Chooses X11 through Xwayland when UseXwayland says so; to be called before
// the application object is made, which reads the choice.
void PreferXwaylandInWaylandSession(int argc, char** argv);

}  // namespace kt
