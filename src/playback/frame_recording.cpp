#include "playback/frame_recording.h"

namespace kt {

bool RecordButtonClick(RecordingState& state, WindowServices& services) {
  const std::optional<std::string> chosen = services.ShowSaveDialog({kBitmapSaveFilter, "", ""});
  if (!chosen) return false;
  ArmRecording(state, *chosen);
  return true;
}

}  // namespace kt
