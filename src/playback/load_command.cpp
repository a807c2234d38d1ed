#include "playback/load_command.h"

#include "base/errors.h"
#include "flic/frame_reader.h"

namespace kt {

bool SelectLoadFile(LoadContext& context) {
  if (!context.flic.LoadFlicName.empty()) return true;
  const std::optional<std::string> chosen =
      context.services.ShowOpenDialog({kFlicOpenFilter, context.openDialog.InitialDir, context.openDialog.FileName});
  if (!chosen) return false;
  context.openDialog.FileName = *chosen;
  return true;
}

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

void LoadFlicIntoMemory(LoadContext& context) {
  FlicState& flic = context.flic;
  if (!SelectLoadFile(context)) return;
  FreeFlicMemory(flic, context.windows);
  if (flic.LoadFlicName.empty()) flic.LoadFlicName = context.openDialog.FileName;
  context.openDialog.InitialDir = DialogDirectory(context.openDialog.FileName);

  std::optional<FlicFile> file = OpenFlic(flic.LoadFlicName, flic.Header);
  if (!file) {
    flic.LoadFlicName.clear();
    ShowErrorBox(context.services, kLoadErrorText, false);
    return;
  }
  bool busy = false;
  try {
    CheckFlicIsPlayable(flic.Header);
    if (context.keepMovieWindowSize) {
      context.keepMovieWindowSize = false;
    } else {
      context.windows.SizeMovieWindow(flic.Header.width, flic.Header.height);
    }
    // The file's own spelling, as found on disk.
    context.windows.SetMovieCaption(file->Path());
    context.services.SetBusyCursor(true);
    busy = true;
    ReadWholeFlic(*file, flic.Header, flic.Store);
  } catch (...) {
    file->Close();
    // The caption would name a flic that is not in memory.
    context.windows.SetMovieCaption("");
    if (busy) context.services.SetBusyCursor(false);
    flic.LoadFlicName.clear();
    throw;
  }
  file->Close();
  flic.FlicInMemory = true;
  context.windows.EnablePlayAndRecordButtons();
  context.services.SetBusyCursor(false);
  flic.LoadFlicName.clear();
  context.windows.ShowFlicInfo();
}

}  // namespace kt
