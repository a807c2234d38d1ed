// The keyboard commands. Both windows hand every key to the control panel's
// FormKeyDown (a Qt key with its exact Shift/Alt/Ctrl set) and
// FormKeyPress (a typed character); those look the key up in the key table
// and run the same handlers as the buttons, under the buttons' enabled
// states. Here too is the movie window's zoom that Alt+Enter toggles.
#pragma once

#include <cstdint>
#include <functional>

class QAbstractButton;
class QWidget;

namespace kt {

// The movie window's outer size and place, noted when Alt+Enter zooms it.
struct MovieBounds {
  int32_t width = 0;
  int32_t height = 0;
  int32_t left = 0;
  int32_t top = 0;
  bool operator==(const MovieBounds&) const = default;
};

MovieBounds OuterBounds(const QWidget& window);
// Outer width, height, left and top, in that order.
void SetOuterBounds(QWidget& window, const MovieBounds& bounds);

// Alt+Enter: into or out of the maximised, title-less mode. Going in notes
// the bounds and turns the movie window's title off; coming out gives both back.
void ZoomMovieWindow(QWidget& movie, const std::function<void(bool)>& showTitle, bool& movieZoomed, MovieBounds& saved);

// M: a normal window is maximised, any other state becomes normal; the
// title is left alone.
void ToggleMovieMaximised(QWidget& movie, bool& movieZoomed);

}  // namespace kt
