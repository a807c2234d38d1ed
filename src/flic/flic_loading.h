// Loading a whole flic into the frame store ("Load Flic (into memory)") and
// releasing it again.
#pragma once

#include <string>

#include "flic/flic_state.h"
#include "platform/window_services.h"

namespace kt {

// The steps of a load that touch the windows; the control panel fills them in.
class LoadWindowSteps {
 public:
  virtual ~LoadWindowSteps() = default;
  virtual void SetMovieCaption(const std::string& /*caption*/) {}
  virtual void SizeMovieWindow(int /*width*/, int /*height*/) {}
  virtual void ShowFlicInfo() {}
  virtual void EnablePlayAndRecordButtons() {}
};

struct LoadContext {
  FlicState& flic;
  OpenDialogState& openDialog;
  WindowServices& services;
  LoadWindowSteps& windows;
  bool& keepMovieWindowSize;  // set by a window-maximise word: the next load keeps the size
};

inline constexpr const char* kLoadErrorText = "There was an error while attempting to load the selected file.";

// True at once when LoadFlicName is set; otherwise asks with the Open dialog.
bool SelectLoadFile(LoadContext& context);

// The Load button. A header that fails its check gets the "Error" box; a
// read error, a damaged frame or a lack of memory is raised after everything
// read so far is released, for the general error handler to show.
void LoadButtonClick(LoadContext& context);

// Releases a flic held in memory and clears the movie window's caption.
void FreeFlicMemory(FlicState& flic, LoadWindowSteps& windows);

// The folder part of a file name, for the dialog's next start: the path up to
// the last '/', without that '/' unless it is the root.
std::string DialogDirectory(const std::string& fileName);

}  // namespace kt
