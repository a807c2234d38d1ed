// The Load button ("Load Flic (into memory)"): the Open dialog, the boxes,
// the whole flic read into the frame store; and releasing it again.
#pragma once

#include <cstdint>
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
  // A long load lets the windows answer while it reads: meanwhile the
  // controls that would start another load or a playback are disabled, and
  // back as they were afterwards.
  virtual void SetLoadingControls(bool /*loading*/) {}
  // The program is ending: a load under way stops and keeps nothing.
  virtual bool EndRequested() const { return false; }
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

// Loads that read at least this much show a progress box, whose Cancel
// stops them, and let the windows answer while they read.
inline constexpr uint64_t kLoadProgressFromBytes = uint64_t{16} << 20;

// The Load button. A file that does not open or is no flic gets the "Error"
// box, its reason on standard error; a read error, a damaged frame (named
// with the file) or a lack of memory is raised after everything read so far
// is released, for the general error handler to show. A cancelled load keeps
// nothing and says nothing.
void LoadFlicIntoMemory(LoadContext& context);

// Releases a flic held in memory and clears the movie window's caption.
void FreeFlicMemory(FlicState& flic, LoadWindowSteps& windows);

// The folder part of a file name, for the dialog's next start: the path up to
// the last '/', without that '/' unless it is the root.
std::string DialogDirectory(const std::string& fileName);

}  // namespace kt
