// What the Load and Play commands share: the Open dialog's remembered
// choice, the window steps both take, and releasing a flic held in memory.
#pragma once

#include <string>

#include "flic/flic_state.h"

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

// Releases a flic held in memory and clears the movie window's caption.
void FreeFlicMemory(FlicState& flic, LoadWindowSteps& windows);

// The folder part of a file name, for the dialog's next start: the path up to
// the last '/', without that '/' unless it is the root.
std::string DialogDirectory(const std::string& fileName);

}  // namespace kt
