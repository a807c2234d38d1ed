#include "playback/frame_recording.h"

#include <cstring>
#include <filesystem>

namespace kt {

bool RecordFrames(RecordingState& state, WindowServices& services) {
  const std::optional<std::string> chosen = services.ShowSaveDialog({kBitmapSaveFilter, "", ""});
  if (!chosen) return false;
  ArmRecording(state, *chosen);
  return true;
}

std::string RecordingGapsText(const RecordingGaps& gaps) {
  if (gaps.missing == 0) return "";
  const std::filesystem::path first(gaps.firstMissing);
  const std::string folder = first.has_parent_path() ? first.parent_path().string() : "the current folder";
  const bool one = gaps.missing == 1;
  const std::string tried = std::to_string(gaps.tried);
  // The frames are skipped as they pass, so this one box is the user's only
  // word that the series has holes.
  std::string text;
  if (gaps.missing < gaps.tried) {
    text = std::to_string(gaps.missing) + " of the " + tried + " frames to be recorded " + (one ? "was" : "were") +
           " not written";
  } else {
    text = one ? "The frame to be recorded was not written"
               : "None of the " + tried + " frames to be recorded was written";
  }
  return text + ": " + (one ? "its file" : "their files") + " could not be created in " + folder + " (" +
         std::strerror(gaps.firstError) + "). " + (one ? "The missing file is " : "The first missing file is ") +
         first.filename().string() + ".";
}

void ReportRecordingGaps(RecordingState& state, WindowServices& services) {
  const std::string text = RecordingGapsText(state.gaps);
  state.gaps = RecordingGaps();
  if (!text.empty()) ShowGeneralError(services, text);
}

}  // namespace kt
