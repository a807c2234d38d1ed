// Reads and decodes every frame of a flic, the ring frame included, in both
// ways of reading from disk, and lists what is wrong with it.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <xxhash.h>

#include "base/bytes.h"
#include "base/errors.h"
#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "flic/flic_header.h"
#include "flic/frame_reader.h"

namespace kt::cli {
namespace {

std::string ChunkTypeName(uint16_t type) {
  switch (type) {
    case COLOR_256: return "COLOR_256";
    case DELTA_FLC: return "DELTA_FLC";
    case COLOR_64: return "COLOR_64";
    case DELTA_FLI: return "DELTA_FLI";
    case BLACK: return "BLACK";
    case BYTE_RUN: return "BYTE_RUN";
    case FLI_COPY: return "FLI_COPY";
    case PSTAMP: return "PSTAMP";
    case DTA_BRUN: return "DTA_BRUN";
    case DTA_COPY: return "DTA_COPY";
    case DTA_LC: return "DTA_LC";
    default: return "type " + std::to_string(type);
  }
}

std::string Plural(uint64_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string FrameLabel(int frame, int frames) {
  if (frame == frames) return "ring frame (frame " + std::to_string(frame) + ")";
  return "frame " + std::to_string(frame);
}

// Turns the decoder's reports into problem lines naming frame and chunk.
class CheckEvents : public DecodeEvents {
 public:
  explicit CheckEvents(std::vector<std::string>& problems) : problems_(problems) {}

  void StartFrame(const FrameSlot& slot, std::string label) {
    slot_ = &slot;
    label_ = std::move(label);
    nextChunk_ = 0;
  }

  void UnknownChunk(uint16_t type) override {
    // The decoder goes through the chunks in order, so the first chunk of this
    // type from the last one reported on is the one it means.
    const int chunks = static_cast<int>(slot_->chunkTable.size());
    int j = nextChunk_;
    while (j < chunks && slot_->chunkTable[static_cast<size_t>(j)].type != type) ++j;
    problems_.push_back(label_ + ": chunk " + std::to_string(j) + " has the unknown chunk type " +
                        std::to_string(type));
    nextChunk_ = j + 1;
  }

  void DataClipped(int chunkIndex, uint16_t type) override {
    problems_.push_back(label_ + ": chunk " + std::to_string(chunkIndex) + " (" + ChunkTypeName(type) +
                        ") reaches outside the picture, the palette or its own data; the rest was cut off");
    nextChunk_ = std::max(nextChunk_, chunkIndex + 1);
  }

 private:
  std::vector<std::string>& problems_;
  const FrameSlot* slot_ = nullptr;
  std::string label_;
  int nextChunk_ = 0;
};

// A frame as the store holds it, in a few bytes: its header, each chunk's
// header and a hash of each chunk's data. Comparing these compares the two
// reading modes without either mode's frames being kept.
std::string SlotDigest(const FrameSlot& slot) {
  std::string out;
  uint8_t head[16];
  WriteU32(head, slot.size);
  WriteU16(head + 4, slot.magic);
  WriteU16(head + 6, slot.chunks);
  std::copy(slot.reserved.begin(), slot.reserved.end(), head + 8);
  out.append(reinterpret_cast<const char*>(head), sizeof head);
  for (size_t j = 0; j < slot.chunkTable.size(); ++j) {
    const ChunkRef& ref = slot.chunkTable[j];
    uint8_t chunkHead[6 + 8];
    WriteU32(chunkHead, ref.size);
    WriteU16(chunkHead + 4, ref.type);
    const uint64_t hash = ref.data ? XXH3_64bits(ref.data.get(), ref.DataSize()) : 0;
    WriteU32(chunkHead + 6, static_cast<uint32_t>(hash));
    WriteU32(chunkHead + 10, static_cast<uint32_t>(hash >> 32));
    out.append(reinterpret_cast<const char*>(chunkHead), sizeof chunkHead);
  }
  return out;
}

struct ModeResult {
  std::vector<std::string> problems;
  std::vector<std::string> notes;
  std::vector<std::optional<std::string>> frames;  // each frame's digest; empty where it failed
};

// Complete frame records that follow the ring frame, and the bytes after them.
void NoteTrailingData(FlicFile& file, std::vector<std::string>& notes) {
  const uint64_t start = file.Offset();
  int records = 0;
  while (file.Remaining() >= kFrameHeaderSize) {
    uint8_t head[kFrameHeaderSize];
    const uint64_t at = file.Offset();
    file.Read(head, sizeof head);
    const uint32_t size = ReadU32(head);
    const uint16_t magic = ReadU16(head + 4);
    if ((magic != kFrameMagic && magic != kModellerFrameMagic) || size < kFrameHeaderSize ||
        size - kFrameHeaderSize > file.Remaining()) {
      file.Seek(at);
      break;
    }
    file.Seek(at + size);
    ++records;
  }
  if (records > 0) {
    notes.push_back(Plural(static_cast<uint64_t>(records), "more frame record") +
                    " after the ring frame; the player never reads them");
  }
  if (file.Remaining() > 0) {
    notes.push_back(Plural(file.Remaining(), "byte") + " of other data after the " +
                    (records > 0 ? "last frame record" : "ring frame"));
  }
  file.Seek(start);
}

ModeResult CheckInMode(const std::string& path, ReadMode mode) {
  ModeResult result;
  OrWhyNot<OpenedFlic> opened = OpenFlic(path);
  if (!opened) {
    result.problems.push_back(OpenFailureText(path, opened.Reason()));
    return result;
  }
  FlicFile& file = opened->file;
  FlicHeader& header = opened->header;
  try {
    CheckFlicIsPlayable(header, true);
  } catch (const PlayerError& error) {
    result.problems.push_back(error.what());
    return result;
  }
  const int frames = header.frames;
  result.frames.resize(static_cast<size_t>(frames) + 1);
  FrameStore store;
  Picture picture(header.width, header.height, header.pixelBits);
  CheckEvents events(result.problems);
  for (int f = 0; f <= frames; ++f) {
    const std::string label = FrameLabel(f, frames);
    const uint64_t frameStart = file.Offset();
    if (f == frames && file.Remaining() == 0) {
      result.problems.push_back("the ring frame is missing: the file ends after frame " + std::to_string(f - 1));
      break;
    }
    FrameSlot& slot = store.Slot(f);
    // A damaged chunk is listed, and the chunks before it are decoded as
    // --keep-going decodes them.
    std::string skippedChunks;
    try {
      ReadFrame(file, header, store, f, mode, &skippedChunks);
    } catch (const DamagedFlicError& error) {
      result.problems.push_back(error.what());
      // The frame's own size still leads to the next frame when it is sound.
      const uint64_t next = frameStart + slot.size;
      if (slot.size < kFrameHeaderSize || next > file.Length()) break;
      file.Seek(next);
      continue;
    } catch (const OutOfMemoryError& error) {
      // Not a fault of the file: the check cannot go on, and says why.
      throw std::runtime_error(path + ": " + label + ": " + OutOfMemoryText(error.BytesAsked()));
    } catch (const PlayerError& error) {
      result.problems.push_back(label + ": " + error.what());
      break;
    }
    uint64_t used = kFrameHeaderSize;
    for (const ChunkRef& ref : slot.chunkTable) used += ref.size;
    if (!skippedChunks.empty()) {
      result.problems.push_back(skippedChunks + kSkippedChunksText);
    } else if (slot.size > used) {
      result.problems.push_back(label + ": its size of " + std::to_string(slot.size) + " bytes leaves " +
                                Plural(slot.size - used, "byte") + " after its " + Plural(slot.chunks, "chunk"));
    }
    result.frames[static_cast<size_t>(f)] = SlotDigest(slot);
    events.StartFrame(slot, label);
    try {
      picture.Decode(slot, events);
    } catch (const PlayerError& error) {
      result.problems.push_back(label + ": " + error.what());
    }
    FreeFrameChunks(store, f);
    if (f == frames) NoteTrailingData(file, result.notes);
  }
  return result;
}

}  // namespace

std::vector<std::string> CheckProblems(const std::string& path, std::vector<std::string>* notes, size_t* framesRead) {
  const ModeResult byChunk = CheckInMode(path, ReadMode::ChunkByChunk);
  const ModeResult bigFrames = CheckInMode(path, ReadMode::BigFrames);

  // A problem both modes meet is listed once; one met by a single mode says which.
  std::vector<std::string> lines;
  const std::set<std::string> inBig(bigFrames.problems.begin(), bigFrames.problems.end());
  const std::set<std::string> inChunk(byChunk.problems.begin(), byChunk.problems.end());
  for (const std::string& problem : byChunk.problems) {
    lines.push_back(inBig.count(problem) ? problem : "reading chunk by chunk: " + problem);
  }
  for (const std::string& problem : bigFrames.problems) {
    if (!inChunk.count(problem)) lines.push_back("reading big frames: " + problem);
  }
  const size_t common = std::min(byChunk.frames.size(), bigFrames.frames.size());
  for (size_t f = 0; f < common; ++f) {
    if (byChunk.frames[f] && bigFrames.frames[f] && *byChunk.frames[f] != *bigFrames.frames[f]) {
      lines.push_back(FrameLabel(static_cast<int>(f), static_cast<int>(common) - 1) +
                      ": the two reading modes give different chunks");
    }
  }
  if (notes != nullptr) *notes = byChunk.notes;
  if (framesRead != nullptr) *framesRead = byChunk.frames.size();
  return lines;
}

namespace {

int Check(const std::string& path) {
  std::vector<std::string> notes;
  size_t frames = 0;
  const std::vector<std::string> lines = CheckProblems(path, &notes, &frames);
  for (const std::string& line : lines) std::printf("%s\n", AboutFile(path, line).c_str());
  for (const std::string& note : notes) std::printf("%s: note: %s\n", path.c_str(), note.c_str());
  if (lines.empty()) {
    std::printf("OK: %s: %s and the ring frame read and decoded in both reading modes\n", path.c_str(),
                Plural(frames - 1, "frame").c_str());
    return 0;
  }
  std::printf("%s: %zu problem%s found\n", path.c_str(), lines.size(), lines.size() == 1 ? "" : "s");
  return 1;
}

}  // namespace

int RunCheck(const Arguments& args) {
  if (args.size() != 1) {
    std::fputs("usage: kinetrope-cli check FILE\n", stderr);
    return 2;
  }
  return WithFlic(args[0], [&] { return Check(args[0]); });
}

}  // namespace kt::cli
