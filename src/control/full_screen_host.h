// Full-screen output as the control panel runs it: the options of its
// full-screen panel, its own window, and the movie window as the display.
#pragma once

#include <functional>
#include <memory>

#include "control/player_state.h"
#include "playback/frame_output.h"

class QWidget;

namespace kt {

class MovieWindow;

std::unique_ptr<FullScreenOutput> MakePanelFullScreen(QWidget& panel, MovieWindow& movie, PlayerState& state,
                                                      std::function<uint32_t()> tick);

}  // namespace kt
