// Recording a playback as a numbered series of 8-bit Windows bitmaps, one
// file per frame, carrying the flic's own colours.
#pragma once

#include <cstdint>
#include <string>

#include "base/errors.h"
#include "colour/base_palette.h"

namespace kt {

// A failing write or close of a bitmap file: the player's text, and the
// system's error number for callers that say more.
class BitmapWriteError : public InOutError {
 public:
  explicit BitmapWriteError(int systemError);
  BitmapWriteError(const BitmapWriteError& error, bool unfinishedFileRemoved);
  int SystemError() const { return systemError_; }
  // False when a part-written file may still lie under the name.
  bool UnfinishedFileRemoved() const { return unfinishedFileRemoved_; }

 private:
  int systemError_;
  bool unfinishedFileRemoved_ = false;
};

// The files of one recording that could not be created. They are skipped
// without holding up the playback, and told about once, when it ends.
struct RecordingGaps {
  int32_t tried = 0;    // files the recording set out to write
  int32_t missing = 0;  // of those, files that could not be created
  std::string firstMissing;
  int firstError = 0;  // the system's reason for the first one
};

struct RecordingState {
  bool Recording = false;         // the current or next playback writes its frames
  std::string RecordBaseName;     // path and name in front of the number and ".bmp"
  int32_t RecordFrameNumber = 0;  // number of the next file
  RecordingGaps gaps;             // since the recording was armed
};

inline constexpr uint32_t kBitmapHeadersSize = 54;
inline constexpr uint32_t kBitmapColourTableSize = 256 * 4;
inline constexpr uint32_t kBitmapPixelOffset = kBitmapHeadersSize + kBitmapColourTableSize;  // 1078

// Row length in the file: width rounded up to a multiple of 4.
uint32_t BitmapRowSize(uint32_t width);

// The 1078 bytes in front of the pixels: file header, info header, colour table.
std::string BitmapHeaderBytes(uint32_t width, uint32_t height, const BasePalette& palette);

// base + the number with at least four digits + ".bmp".
std::string RecordFileName(const std::string& baseName, int32_t number);

// The chosen file name up to its first ".bmp" in any letter case, wherever it
// stands (a folder name included); the whole name when there is none.
std::string RecordBaseNameFrom(const std::string& chosenPath);

// Arms recording under the name chosen in the Save dialog, from number 0,
// with no gaps.
void ArmRecording(RecordingState& state, const std::string& chosenPath);

// Writes one frame (width x height palette indices, top row first, stride
// width) to the next file of the series and moves the number on. A file that
// cannot be created is skipped, its number used up, counted in the gaps, and
// false is returned. A
// failing write or close raises BitmapWriteError ("Disk full", "I/O error N")
// and leaves the number where it was; the unfinished file is removed.
bool SaveFrameBitmap(RecordingState& state, const uint8_t* pixels, int32_t width, int32_t height,
                     const BasePalette& palette);

// The same for a true-colour frame, as a 24-bit bitmap: width x height
// pixels of bytes blue, green, red, top row first, stride 3 x width.
bool SaveTrueColourFrameBitmap(RecordingState& state, const uint8_t* bgr, int32_t width, int32_t height);

}  // namespace kt
