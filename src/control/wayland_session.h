// Where the windows go in a Wayland session. The player places its windows
// itself: the panel's stored place, the movie window centred, the panel moved
// off the screen. A Wayland compositor lets no client do any of that, while an
// X server does, and Xwayland gives every Wayland desktop one.
#pragma once

namespace kt {

// Chooses X11 through Xwayland when both displays are there and the user
// named no platform, neither in QT_QPA_PLATFORM nor with -platform; to be
// called before the application object is made, which reads the choice.
void PreferXwaylandInWaylandSession(int argc, char** argv);

}  // namespace kt
