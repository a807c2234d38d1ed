// The play command as the words fuzzer sees it: a flic name is opened and
// its header checked, and a name that does not load gets the player's box,
// but no frame is ever shown. The words around a playback, not the playback
// itself, are under test there; the frames have fuzzers of their own.
#include <optional>

#include "flic/flic_header.h"
#include "playback/load_command.h"
#include "playback/play_command.h"

namespace kt {

bool PlayCommand::WindowOutputInUse() const { return false; }

std::string StatisticsSetFigure(uint16_t frameDelay) { return std::to_string(frameDelay); }
std::string CurrentFpsText(uint32_t, int32_t, uint16_t) { return {}; }
std::string ActualDelayText(uint32_t, int32_t) { return {}; }

void PlayCommand::PlayFileButtonClick() {
  PlaybackState& state = p_.playback;
  if (!p_.flic.FlicInMemory) {
    if (state.DiskFlicName.empty()) state.DiskFlicName = p_.openDialog.FileName;
    const std::optional<FlicFile> file = OpenFlic(state.DiskFlicName, p_.flic.Header);
    if (!file) {
      ShowErrorBox(p_.services, "There was an error while attempting to load " + state.DiskFlicName + ".", false);
      state.DiskFlicName.clear();
      return;
    }
    CheckFlicIsPlayable(p_.flic.Header);
  }
  // A playback takes its sound with it.
  state.WavFileName.clear();
}

void PlayCommand::PlayButtonStartPlay() {
  if (p_.flic.FlicInMemory) p_.playback.DiskFlicName.clear();
  PlayFileButtonClick();
}

bool PlayCommand::SelectPlayFile() { return !p_.playback.DiskFlicName.empty(); }
void PlayCommand::PlayFileButtonSetFile() { p_.playback.DiskFlicName.clear(); }
void PlayCommand::StopButtonClick() { p_.playback.StopRequested = true; }
void PlayCommand::PauseButtonClick() { p_.playback.Paused = !p_.playback.Paused; }
void PlayCommand::FrameFButtonClick() {}
void PlayCommand::FrameBButtonClick() {}
void PlayCommand::FrameBarChange(int) {}

std::string PlayCommand::SpeedBarChange(int position) {
  p_.playback.FrameDelay = static_cast<uint16_t>(position);
  return std::to_string(position);
}

int PlayCommand::SpeedLeftAjust(int position) { return position > 0 ? position - 1 : position; }
int PlayCommand::SpeedRightAjust(int position) { return position < kSpeedBarMax ? position + 1 : position; }
void PlayCommand::QuitButtonClick() { p_.host.CloseControlPanel(); }

}  // namespace kt
