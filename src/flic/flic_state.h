// The flic that is loaded or selected, and the frame store that holds it:
// one instance for the whole run, owned by the control panel.
#pragma once

#include <string>

#include "flic/flic_header.h"
#include "flic/frame_store.h"

namespace kt {

struct FlicState {
  FlicHeader Header;
  FrameStore Store;
  bool FlicInMemory = false;   // the store holds the whole flic, ring frame included
  std::string LoadFlicName;    // the next load's file when a word named it; empty: ask
  bool ReadBigFrames = false;  // playing from disk reads each frame in one block
  // Loads and playbacks that refused their file (one that would not open or
  // is no flic): a run of words that met one ends with a failing status.
  int FilesRefused = 0;
};

}  // namespace kt
