#include "playback/load_command.h"

#include <memory>
#include <utility>

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

namespace {

struct LoadCancelled {};

// Shows a long load's progress from its first piece on, with the controls
// that must wait disabled until it goes; a Cancel or the program's end
// stops the load.
class LoadProgress {
 public:
  LoadProgress(LoadContext& context, std::string name) : context_(context), name_(std::move(name)) {}
  ~LoadProgress() {
    box_.reset();
    if (shown_) context_.windows.SetLoadingControls(false);
  }
  LoadProgress(const LoadProgress&) = delete;
  LoadProgress& operator=(const LoadProgress&) = delete;

  void operator()(uint64_t done, uint64_t total) {
    if (total < kLoadProgressFromBytes) return;
    if (!shown_) {
      shown_ = true;
      context_.windows.SetLoadingControls(true);
      box_ = context_.services.ShowProgressBox(kApplicationTitle, "Loading " + name_);
    }
    // Thousandths: a bar needs no finer steps, and an int holds them for any size.
    const int done1000 = static_cast<int>(done * 1000 / total);
    if (box_->Update(done1000, 1000) || context_.windows.EndRequested()) throw LoadCancelled{};
  }

 private:
  LoadContext& context_;
  std::string name_;
  bool shown_ = false;
  std::unique_ptr<ProgressBox> box_;
};

}  // namespace

void LoadFlicIntoMemory(LoadContext& context) {
  FlicState& flic = context.flic;
  if (!SelectLoadFile(context)) return;
  FreeFlicMemory(flic, context.windows);
  if (flic.LoadFlicName.empty()) flic.LoadFlicName = context.openDialog.FileName;
  context.openDialog.InitialDir = DialogDirectory(context.openDialog.FileName);

  OrWhyNot<OpenedFlic> opened = OpenFlic(flic.LoadFlicName);
  if (!opened) {
    // Nothing of a refused file is kept, its figures included.
    flic.Header = FlicHeader{};
    ++flic.FilesRefused;
    ShowErrorBox(context.services, kLoadErrorText, false, flic.LoadFlicName + ": " + opened.Reason());
    flic.LoadFlicName.clear();
    return;
  }
  flic.Header = opened->header;
  FlicFile& file = opened->file;
  bool busy = false;
  const auto undo = [&] {
    file.Close();
    // The caption would name a flic that is not in memory.
    context.windows.SetMovieCaption("");
    if (busy) context.services.SetBusyCursor(false);
    flic.LoadFlicName.clear();
  };
  try {
    CheckFlicIsPlayable(flic.Header, true);
    if (context.keepMovieWindowSize) {
      context.keepMovieWindowSize = false;
    } else {
      context.windows.SizeMovieWindow(flic.Header.width, flic.Header.height);
    }
    // The file's own spelling, as found on disk.
    context.windows.SetMovieCaption(file.Path());
    context.services.SetBusyCursor(true);
    busy = true;
    LoadProgress progress(context, file.Path());
    ReadWholeFlic(file, flic.Header, flic.Store, [&progress](uint64_t done, uint64_t total) { progress(done, total); });
  } catch (const LoadCancelled&) {
    undo();
    return;
  } catch (const DamagedFlicError& error) {
    undo();
    // A box that names no file leaves the user guessing which one is damaged.
    throw DamagedFlicError(file.Path() + ": " + error.what());
  } catch (...) {
    undo();
    throw;
  }
  file.Close();
  flic.FlicInMemory = true;
  context.windows.EnablePlayAndRecordButtons();
  context.services.SetBusyCursor(false);
  flic.LoadFlicName.clear();
  context.windows.ShowFlicInfo();
}

}  // namespace kt
