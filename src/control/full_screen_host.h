// Full-screen output as the control panel runs it: the options of its
// full-screen panel, its own window, the movie window as the display, and
// the frame bitmap of the window output as the source of every frame.
#pragma once

#include <functional>
#include <memory>

#include "control/player_state.h"
#include "platform/emulated_direct_draw.h"
#include "playback/frame_output.h"

class QWidget;

namespace kt {

class TImageForm;
class WindowOutput;

std::unique_ptr<FullScreenOutput> MakePanelFullScreen(QWidget& panel, TImageForm& movie, PlayerState& state,
                                                      WindowOutput& output, std::function<uint32_t()> tick,
                                                      EmulatedDisplayConfig display = {});

}  // namespace kt
