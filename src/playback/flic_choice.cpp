#include "playback/flic_choice.h"

namespace kt {

void FreeFlicMemory(FlicState& flic, LoadWindowSteps& windows) {
  if (!flic.FlicInMemory) return;
  windows.SetMovieCaption("");
  flic.Store.Clear();
  flic.FlicInMemory = false;
}

std::string DialogDirectory(const std::string& fileName) {
  const size_t slash = fileName.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return fileName.substr(0, slash);
}

}  // namespace kt
