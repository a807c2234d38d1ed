// The 128-byte flic file header and the one shared step that reads and checks it.
#pragma once

#include <cstdint>
#include <string>

#include "base/or_why_not.h"
#include "flic/flic_file.h"
#include "flic/flic_format.h"

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
  // Bits of one pixel as the frames store it: 8 (palette indices) or 15, 16,
  // 24 (true colour); 0 for a depth the type does not have. Set on reading.
  uint8_t pixelBits = 8;

  bool IsFli() const { return magic == kFliMagic; }
  bool IsTrueColour() const { return pixelBits != 8; }
  uint32_t BytesPerPixel() const { return pixelBits == 24 ? 3 : (pixelBits == 8 ? 1 : 2); }
  uint16_t DelayMs() const { return static_cast<uint16_t>(speed); }
  uint64_t PixelCount() const { return static_cast<uint64_t>(width) * height; }
};

// Fills every field from 128 raw bytes, as they stand in the file.
FlicHeader ParseFlicHeader(const uint8_t* bytes);

// An FLI speed in 1/70 s to milliseconds, rounded to the nearest integer.
uint32_t FliSpeedToMilliseconds(uint32_t speed);

// The pixel size a header's type and depth give (see FlicHeader::pixelBits).
uint8_t PixelBitsOf(uint16_t magic, uint16_t depth);

// Reads the header from offset 0, checks the magic, converts an FLI's delay,
// steps over the records that may stand before frame 0 (settings, segment
// table) and leaves the file at frame 0. Refused when the file is shorter
// than 128 bytes or its magic is no flic type; the reason says which,
// showing how a file that is no flic starts. The types that cannot be played
// (see CheckFlicIsPlayable) are read all the same, so that what they are can
// be said.
OrWhyNot<FlicHeader> ReadFlicHeader(FlicFile& file);

// What a file whose magic is no flic type is, when its records say it is a
// flic all the same (a scrambled type word); empty when nothing says so.
std::string ScrambledFlicText(FlicFile& file, const FlicHeader& header);

// "8-bit (256 colours)", "15-bit (32768 colours)", ...
std::string FlicDepthText(const FlicHeader& header);

// What the user is told when OpenFlic finds no flic to load.
inline constexpr const char* kLoadErrorText = "There was an error while attempting to load the selected file.";

// A flic on disk with its header read, standing at frame 0.
struct OpenedFlic {
  FlicFile file;
  FlicHeader header;
};

// Opens the file and reads its header; when either step fails, the reason is
// the system's or the format's: "No such file or directory", "not a flic:
// the file starts with ...".
OrWhyNot<OpenedFlic> OpenFlic(const std::string& path);

// The load error text for a terminal, with the reason in place of its full
// stop: "There was an error while attempting to load the selected file: REASON".
std::string LoadErrorText(const std::string& reason);

// The header figures the store and the decoder rely on: a type that can be
// decoded, at least one frame, at most 4000, and a picture of non-zero width
// and height, neither above 16384. A true-colour flic passes only for a
// caller that takes one. Raises a DamagedFlicError whose text says what is wrong.
void CheckFlicIsPlayable(const FlicHeader& header, bool trueColourTaken = false);

}  // namespace kt
