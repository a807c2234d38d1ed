// Flics dropped on the panel or the movie window from a file manager: each
// plays as if chosen with "Select flic to be played" and started with F,
// several one after the other, as file names on the command line do.
#include <QToolButton>
#include <string>
#include <vector>

#include "control/control_panel.h"
#include "playback/play_command.h"
#include "ui_control_panel.h"
#include "views/file_drop.h"

namespace kt {

void ControlPanel::TakeDroppedFiles(QWidget& window, std::unique_ptr<FileDropTarget>& target) {
  target = std::make_unique<FileDropTarget>(
      window, [this] { return AcceptsDroppedFiles(); },
      [this](const std::vector<std::string>& files) { PlayDroppedFiles(files); });
}

// The button is disabled while a flic plays: a drop then would start a
// second playback inside the first.
bool ControlPanel::AcceptsDroppedFiles() const { return ui_->PlayFileButton->isEnabled() && !closed_; }

void ControlPanel::PlayDroppedFiles(const std::vector<std::string>& files) {
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
