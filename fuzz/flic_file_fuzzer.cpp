// A whole flic file from the fuzzer's bytes, taken the three ways the player
// takes a file: loaded into memory, and played from disk chunk by chunk and
// in big frames. Every frame read is decoded into an exactly sized image, of
// palette indices or true colour by the header, so the address sanitizer sees
// any write past the picture.
//
// Beyond the sanitizers it checks what the three ways promise each other:
// a frame that both disk modes read decodes to the same image and palette in
// both, and a flic that loads whole decodes exactly as it plays from disk.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/errors.h"
#include "colour/base_palette.h"
#include "flic/flic_file.h"
#include "flic/flic_header.h"
#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "flic/frame_store.h"
#include "flic/true_colour_decoder.h"

namespace {

using kt::FlicFile;
using kt::FlicHeader;
using kt::FrameStore;

// A 65535 x 65535 header asks for a 4 GB image from a 128-byte input, more
// than libFuzzer's 2 GB memory limit, and even a few million pixels, cleared
// and compared after every frame, slow the search down tenfold. Pictures
// above 1 M pixels (1024 x 1024) are therefore skipped. They reach no other
// code: every offset is 32-bit and no product of two 16-bit sizes overflows
// it, so small pictures take the same paths.
constexpr uint64_t kMaxPixels = uint64_t{1} << 20;

// Whole-image chunks let six bytes cost a full picture each. Each way of
// reading stops decoding once it has spent this many pixels' worth of work,
// so one input costs at most some tens of milliseconds under the sanitizers.
constexpr uint64_t kWorkBudget = uint64_t{1} << 25;

struct QuietEvents : kt::DecodeEvents {};

// A fresh image and black palette, as each playback starts with.
struct Picture {
  explicit Picture(const FlicHeader& header)
      : size(header.PixelCount() * header.BytesPerPixel()), pixels(new uint8_t[size]()), palette{} {
    target.pixels = pixels.get();
    target.width = header.width;
    target.height = header.height;
    target.palette = &palette;
    trueColour.pixels = pixels.get();
    trueColour.width = header.width;
    trueColour.height = header.height;
    trueColour.pixelBits = header.pixelBits;
  }

  void Decode(const kt::FrameSlot& slot, kt::DecodeEvents& events) {
    if (trueColour.pixelBits != 8) {
      kt::DecodeTrueColourFrame(slot, trueColour, events);
    } else {
      kt::DecodeFrame(slot, target, events);
    }
  }

  uint64_t Hash() const {
    const std::string_view image(reinterpret_cast<const char*>(pixels.get()), size);
    const std::string_view colours(reinterpret_cast<const char*>(palette.data()), sizeof palette);
    return std::hash<std::string_view>{}(image)*31 + std::hash<std::string_view>{}(colours);
  }

  uint64_t size;
  std::unique_ptr<uint8_t[]> pixels;  // exactly the picture's bytes: no slack for an overrun to hide in
  kt::BasePalette palette;
  kt::FrameTarget target;
  kt::TrueColourTarget trueColour;
};

// The store is 6.5 MB of slots; building one per input would cost more than
// the work under test. Slots that an input touched are put back to their
// empty state afterwards, so no input sees what an earlier one left.
FrameStore& Store() {
  static FrameStore* store = new FrameStore();
  return *store;
}

// Frames are read in order, so the first slot whose header is still all zero
// ends the touched ones (a frame header of zeros leaves its slot as it was).
void ResetSlots(int lastIndex) {
  for (int f = 0; f <= lastIndex && f < kt::kFrameStoreSlots; ++f) {
    kt::FrameSlot& slot = Store().Slot(f);
    if (slot.size == 0 && slot.magic == 0 && slot.chunks == 0 && slot.reserved == decltype(slot.reserved){}) break;
    slot = kt::FrameSlot{};
  }
}

void Require(bool condition) {
  if (!condition) std::abort();
}

// What a frame read promises: a buffer of exactly the data size for every
// chunk in use, FLI_COPY sized by the picture, and the file left at the next frame.
void CheckSlot(const kt::FrameSlot& slot, const FlicHeader& header, uint64_t frameStart, const FlicFile& file) {
  Require(slot.chunks <= kt::kMaxChunksPerFrame);
  for (int j = 0; j < slot.chunks; ++j) {
    const kt::ChunkRef& chunk = slot.chunkTable[static_cast<size_t>(j)];
    Require(chunk.size >= kt::kChunkHeaderSize);
    Require((chunk.data != nullptr) == (chunk.size > kt::kChunkHeaderSize));
    if (chunk.type == kt::FLI_COPY) {
      Require(chunk.size == header.PixelCount() * header.BytesPerPixel() + kt::kChunkHeaderSize);
    }
  }
  Require(file.Offset() == frameStart + slot.size);
}

// Charges a frame's decode, and the hash after it, against the budget.
bool Afford(uint64_t& spent, const kt::FrameSlot& slot, uint64_t pixels) {
  spent += pixels * (slot.chunks + 1u);
  return spent <= kWorkBudget;
}

// Playback from disk: read a frame into its slot, decode it, release it.
// After the ring frame it seeks back to frame 1, as a loop restart does.
// Returns the image and palette hash after every frame that was read.
std::vector<uint64_t> PlayFromDisk(const std::vector<uint8_t>& bytes, kt::ReadMode mode, int& lastSlot) {
  std::vector<uint64_t> hashes;
  FlicFile file = FlicFile::FromBytes(bytes);
  const kt::OrWhyNot<FlicHeader> read = kt::ReadFlicHeader(file);
  Require(read.has_value());
  FlicHeader header = *read;
  // Made once the first frame has been read: most inputs fail before.
  std::unique_ptr<Picture> picture;
  QuietEvents events;
  uint64_t spent = 0;
  auto step = [&](int f) {
    const uint64_t frameStart = file.Offset();
    kt::ReadFrame(file, header, Store(), f, mode);
    lastSlot = std::max(lastSlot, f);
    const kt::FrameSlot& slot = Store().Slot(f);
    CheckSlot(slot, header, frameStart, file);
    const bool afford = Afford(spent, slot, header.PixelCount() * header.BytesPerPixel());
    if (afford) {
      if (!picture) picture = std::make_unique<Picture>(header);
      picture->Decode(slot, events);
    }
    kt::FreeFrameChunks(Store(), f);
    return afford;
  };
  try {
    for (int f = 0; f <= header.frames; ++f) {
      if (!step(f)) return hashes;
      hashes.push_back(picture->Hash());
    }
    if (header.frames >= 1) {
      file.Seek(header.oframe2);
      step(1);
    }
  } catch (const kt::PlayerError&) {
    // A damaged or short file ends the playback with a message; that is fine.
  }
  return hashes;
}

// The load into memory, then a playback of every frame from the store.
// Returns the hashes, or nothing when the load was refused.
std::vector<uint64_t> LoadAndPlay(const std::vector<uint8_t>& bytes, bool& loaded) {
  std::vector<uint64_t> hashes;
  FlicFile file = FlicFile::FromBytes(bytes);
  const kt::OrWhyNot<FlicHeader> read = kt::ReadFlicHeader(file);
  Require(read.has_value());
  FlicHeader header = *read;
  loaded = false;
  try {
    kt::ReadWholeFlic(file, header, Store());
  } catch (const kt::PlayerError&) {
    return hashes;
  }
  loaded = true;
  Picture picture(header);
  QuietEvents events;
  uint64_t spent = 0;
  for (int f = 0; f <= header.frames; ++f) {
    if (!Afford(spent, Store().Slot(f), picture.size)) break;
    picture.Decode(Store().Slot(f), events);
    hashes.push_back(picture.Hash());
  }
  kt::FreeFrameRange(Store(), header.frames);
  return hashes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  FlicHeader header;
  {
    FlicFile file = FlicFile::FromBytes(bytes);
    const kt::OrWhyNot<FlicHeader> read = kt::ReadFlicHeader(file);
    if (!read) return 0;
    header = *read;
  }
  try {
    kt::CheckFlicIsPlayable(header, true);
  } catch (const kt::DamagedFlicError&) {
    return 0;
  }
  if (header.PixelCount() * header.BytesPerPixel() > kMaxPixels) return 0;

  int lastSlot = header.frames;
  bool loaded = false;
  const std::vector<uint64_t> fromMemory = LoadAndPlay(bytes, loaded);
  const std::vector<uint64_t> oneByOne = PlayFromDisk(bytes, kt::ReadMode::ChunkByChunk, lastSlot);
  const std::vector<uint64_t> bigFrames = PlayFromDisk(bytes, kt::ReadMode::BigFrames, lastSlot);
  ResetSlots(lastSlot);

  // Big frames may refuse a frame earlier (it reads the frame's whole size at
  // once) but never later, and what both read must decode alike.
  Require(bigFrames.size() <= oneByOne.size());
  for (size_t i = 0; i < bigFrames.size(); ++i) Require(bigFrames[i] == oneByOne[i]);
  // The load reads exactly as playing chunk by chunk does.
  if (loaded) {
    Require(fromMemory.size() == oneByOne.size());
    for (size_t i = 0; i < fromMemory.size(); ++i) Require(fromMemory[i] == oneByOne[i]);
  }
  return 0;
}
