// The Record button's steps: the Save dialog, then the bitmap series armed.
#pragma once

#include "flic/bitmap_series.h"
#include "platform/window_services.h"

namespace kt {

// Asks for a name with the Save dialog and arms recording. A cancelled
// dialog changes nothing. Returns whether recording was armed.
bool RecordButtonClick(RecordingState& state, WindowServices& services);

}  // namespace kt
