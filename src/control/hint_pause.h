// The application's hint pause: how long the mouse must rest on a control
// before its hint shows.
#pragma once

namespace kt {

inline constexpr int kHintPauseMs = 2000;

// Sets the pause for every widget of the application, keeping its style.
void SetHintPause(int milliseconds);

// The pause now in effect.
int HintPause();

}  // namespace kt
