// The Load button ("Load Flic (into memory)"): the Open dialog, the boxes,
// the whole flic read into the frame store; and releasing it again.
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

// The Open dialog's remembered state: the last file chosen and its folder.
struct OpenDialogState {
  std::string FileName;
  std::string InitialDir;
};

struct LoadContext {
  FlicState& flic;
  OpenDialogState& openDialog;
  WindowServices& services;
  LoadWindowSteps& windows;
  bool& keepMovieWindowSize;  // set by a window-maximise word: the next load keeps the size
};

// True at once when LoadFlicName is set; otherwise asks with the Open dialog.
bool SelectLoadFile(LoadContext& context);

// The Load button. A header that fails its check gets the "Error" box; a
// read error, a damaged frame or a lack of memory is raised after everything
// read so far is released, for the general error handler to show.
void LoadFlicIntoMemory(LoadContext& context);

// Releases a flic held in memory and clears the movie window's caption.
void FreeFlicMemory(FlicState& flic, LoadWindowSteps& windows);

// The folder part of a file name, for the dialog's next start: the path up to
// the last '/', without that '/' unless it is the root.
std::string DialogDirectory(const std::string& fileName);

}  // namespace kt
