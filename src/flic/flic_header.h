// The 128-byte flic file header and the one shared step that reads and checks it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/flic_format.h"
#include "flic/flic_file.h"

namespace kt {

// The widest and tallest picture the player takes.
inline constexpr uint16_t kMaxFlicSide = 16384;

struct FlicHeader {
  uint32_t size = 0;
  uint16_t magic = 0;
  uint16_t frames = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t depth = 0;
  uint16_t flags = 0;
  // Milliseconds once read (an FLI's 1/70 s units are converted); users take the low 16 bits.
  uint32_t speed = 0;
  uint32_t oframe1 = 0;
  // Overwritten with the real offset of frame 1 when that frame is read from disk.
  uint32_t oframe2 = 0;

  bool IsFli() const { return magic == kFliMagic; }
  uint16_t DelayMs() const { return static_cast<uint16_t>(speed); }
  uint64_t PixelCount() const { return static_cast<uint64_t>(width) * height; }
};

// Fills every field from 128 raw bytes, as they stand in the file.
FlicHeader ParseFlicHeader(const uint8_t* bytes);

// An FLI speed in 1/70 s to milliseconds, rounded to the nearest integer.
uint32_t FliSpeedToMilliseconds(uint32_t speed);

// Reads the header from offset 0 into a zero-filled record, checks the magic,
// converts an FLI's delay and leaves the file at frame 0. False when the file
// is shorter than 128 bytes or its magic is neither FLI nor FLC; then
// `whyNot`, when given, says which, showing how a file that is no flic starts.
bool ReadFlicHeader(FlicFile& file, FlicHeader& header, std::string* whyNot = nullptr);

// What the user is told when OpenFlic finds no flic to load.
inline constexpr const char* kLoadErrorText = "There was an error while attempting to load the selected file.";

// Opens the file and reads its header; empty when either step fails, and
// then `whyNot`, when given, holds the system's or the format's reason:
// "No such file or directory", "not a flic: the file starts with ...".
std::optional<FlicFile> OpenFlic(const std::string& path, FlicHeader& header, std::string* whyNot = nullptr);

// The load error text for a terminal, with the reason in place of its full
// stop: "There was an error while attempting to load the selected file: REASON".
std::string LoadErrorText(const std::string& reason);

// The header figures the store and the decoder rely on: at least one frame,
// at most 4000, and a picture of non-zero width and height, neither above
// 16384. Raises a
// DamagedFlicError whose text says what is wrong.
void CheckFlicIsPlayable(const FlicHeader& header);

}  // namespace kt
