// What the export, check and bench commands share: a flic opened and
// checked, or read whole into a frame store (bench), and the picture its
// frames are decoded into.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "colour/base_palette.h"
#include "flic/flic_file.h"
#include "flic/flic_header.h"
#include "flic/frame_decoder.h"
#include "flic/frame_store.h"
#include "flic/true_colour_decoder.h"

namespace kt::cli {

struct LoadedFlic {
  FlicHeader header;
  std::unique_ptr<FrameStore> store;
  bool ringFrameRead = false;  // false: slots 0 to frames - 1 only

  LoadedFlic() = default;
  LoadedFlic(LoadedFlic&&) = default;
  LoadedFlic& operator=(LoadedFlic&&) = default;
  ~LoadedFlic();
};

// "FILE: TEXT": every message of the tool names the file it is about, so
// that one from a script running over many files can be told apart. A text
// that starts with the file's name already is left as it is.
std::string AboutFile(const std::string& path, const std::string& text);

// Said after a damaged chunk that a frame was cut short at.
inline constexpr char kSkippedChunksText[] = " It and the chunks after it in the frame were skipped.";

// Runs a command's work on the flic at `path`; an error it raises goes to
// standard error as "kinetrope-cli: FILE: TEXT" and gives exit status 1,
// memory that could not be had as OutOfMemoryText.
int WithFlic(const std::string& path, const std::function<int()>& work);

// Ctrl-C, a closed terminal or a kill (SIGINT, SIGHUP, SIGTERM) only noted
// from now on, so that a command writing a file ends between its steps and
// removes what it had not finished.
void NoteEndingSignals();
bool EndingSignalNoted();

// Why a flic did not open: for a FIFO, device or folder under its name, what
// it is; otherwise the player's load error text with OpenFlic's reason.
std::string OpenFailureText(const std::string& path, const std::string& reason);

// "out of memory: N bytes (X GiB) asked for", or without the figures when
// the size is not known (0).
std::string OutOfMemoryText(uint64_t bytesAsked);

// Opens the flic and reads and checks its header, true-colour flics
// included; raises the player's errors, and the load error text for a file
// that is no flic.
FlicFile OpenFlicForDecoding(const std::string& path, FlicHeader& header);

// Opens and checks the flic and reads it into memory as the Load button does.
// A flic that ends without its ring frame still gives its frames 0 to
// frames - 1, since they are all a single pass needs. Raises the player's
// errors; a header that fails its check raises the load error text.
LoadedFlic LoadFlicForDecoding(const std::string& path);

// The image and palette that frames are decoded into, all zero at the start
// as they are when a playback begins: palette indices, or for a true-colour
// flic its pixels as the file stores them (the palette then unused). Raises
// OutOfMemoryError with the picture's size when it cannot be had.
class Picture {
 public:
  Picture(uint16_t width, uint16_t height, uint8_t pixelBits = 8);
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  void Clear();
  FrameTarget& Target() { return target_; }
  // Each frame decoded from now on sets `changed` to the lines it changed; none: not followed.
  void FollowChanges(ChangedLines* changed) {
    target_.changed = changed;
    trueColour_.changed = changed;
  }
  const std::vector<uint8_t>& Pixels() const { return pixels_; }
  const BasePalette& Palette() const { return palette_; }
  bool IsTrueColour() const { return trueColour_.pixelBits != 8; }
  // Decodes a frame by the picture's depth.
  void Decode(const FrameSlot& slot, DecodeEvents& events) {
    if (IsTrueColour()) {
      DecodeTrueColourFrame(slot, trueColour_, events);
    } else {
      DecodeFrame(slot, target_, events);
    }
  }
  // The picture as bytes blue, green, red, top row first, whatever its depth.
  std::vector<uint8_t> Bgr() const;

 private:
  std::vector<uint8_t> pixels_;
  BasePalette palette_{};
  FrameTarget target_;
  TrueColourTarget trueColour_;
};

}  // namespace kt::cli
