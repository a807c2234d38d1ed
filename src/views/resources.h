// The pictures the program carries inside itself: the about window's title
// card, the movie window's icon and the program's icon.
#pragma once

#include <QIcon>

namespace kt {

inline constexpr const char* kAboutPicturePath = ":/about/about.bmp";
inline constexpr const char* kMovieIconPath = ":/icons/movie_icon.ico";

// The program's icon at every size the desktop has, for the control panel
// and the about window; the movie window keeps its own 32 x 32 one.
QIcon ApplicationIcon();

// Registers the pictures; they sit in a static library, which does not
// register them by itself. Safe to call any number of times.
void EnsureResources();

}  // namespace kt
