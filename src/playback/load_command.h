// The Load button ("Load Flic (into memory)"): the Open dialog, the boxes,
// the whole flic read into the frame store.
#pragma once

#include <cstdint>
#include <string>

#include "flic/flic_state.h"
#include "platform/window_services.h"
#include "playback/flic_choice.h"

namespace kt {

struct LoadContext {
  FlicState& flic;
  OpenDialogState& openDialog;
  WindowServices& services;
  LoadWindowSteps& windows;
  bool& keepMovieWindowSize;  // set by a window-maximise word: the next load keeps the size
};

// True at once when LoadFlicName is set; otherwise asks with the Open dialog.
bool SelectLoadFile(LoadContext& context);

// Loads that read at least this much show a progress box, whose Cancel
// stops them, and let the windows answer while they read.
inline constexpr uint64_t kLoadProgressFromBytes = uint64_t{16} << 20;

// The Load button. A file that does not open or is no flic gets the "Error"
// box, its reason on standard error; a read error, a damaged frame (named
// with the file) or a lack of memory is raised after everything read so far
// is released, for the general error handler to show. A cancelled load keeps
// nothing and says nothing.
void LoadFlicIntoMemory(LoadContext& context);

}  // namespace kt
