// The pictures the program carries inside itself: the about window's title
// card and the movie window's icon.
#pragma once

namespace kt {

inline constexpr const char* kAboutPicturePath = ":/about/about.bmp";
inline constexpr const char* kMovieIconPath = ":/icons/movie_icon.ico";

// Registers the pictures; they sit in a static library, which does not
// register them by itself. Safe to call any number of times.
void EnsureResources();

}  // namespace kt
