// Flics dropped on the panel or the movie window from a file manager: each
// plays as if chosen with "Select flic to be played" and started with F,
// several one after the other, as file names on the command line do.
#include <QToolButton>
#include <string>
#include <vector>

#include "control/mainform.h"
#include "playback/play_command.h"
#include "ui_mainform.h"
#include "windows/file_drop.h"

namespace kt {

void TDisplayForm::TakeDroppedFiles(QWidget& window, std::unique_ptr<FileDropTarget>& target) {
  target = std::make_unique<FileDropTarget>(
      window, [this] { return AcceptsDroppedFiles(); },
      [this](const std::vector<std::string>& files) { PlayDroppedFiles(files); });
}

// The button is disabled while a flic plays: a drop then would start a
// second playback inside the first.
bool TDisplayForm::AcceptsDroppedFiles() const { return ui_->PlayFileButton->isEnabled() && !closed_; }

void TDisplayForm::PlayDroppedFiles(const std::vector<std::string>& files) {
  Guarded([&] {
    for (const std::string& file : files) {
      // An Exit during one of them ends the program, not only that playback.
      if (!AcceptsDroppedFiles() || state_.Run.ExitRequested) return;
      Player().SetPlayFile(file);
      PlayFromDisk();
    }
  });
}

}  // namespace kt
