// The Record button's steps: the Save dialog, then the bitmap series armed;
// and, when the playback ends, the word about the frames that were not written.
#pragma once

#include <string>

#include "flic/bitmap_series.h"
#include "platform/window_services.h"

namespace kt {

// Asks for a name with the Save dialog and arms recording. A cancelled
// dialog changes nothing. Returns whether recording was armed.
bool RecordFrames(RecordingState& state, WindowServices& services);

// What the user is told about the files that could not be created: how many,
// in which folder, and why. Empty when every file was created.
std::string RecordingGapsText(const RecordingGaps& gaps);

// Shows RecordingGapsText in a box, once: the gaps are cleared with it.
void ReportRecordingGaps(RecordingState& state, WindowServices& services);

}  // namespace kt
