// Reading frame records from an open flic into the frame store: one frame at
// a time while playing from disk, or the whole flic for a load into memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "flic/flic_file.h"
#include "flic/flic_header.h"
#include "flic/frame_store.h"

namespace kt {

enum class ReadMode {
  ChunkByChunk,  // 1 + 2 x chunks reads a frame
  BigFrames,     // the rest of the frame in one read; the chunks point into that block
};

// Reads the frame at the file's position into slot `index` and leaves the
// file at the next frame. Frame 1's offset is recorded in header.oframe2 (the
// loop restart seeks there). On any failure the slot's buffers are released
// and the error (InOutError, OutOfMemoryError, DamagedFlicError) passes on.
// Given `damagedChunk`, a chunk whose header cannot be sound (a size below
// its own header, or one running past the frame's end) ends the frame instead
// of failing it: the chunks before it stay in the slot's chunk table, it and
// those after it are skipped, and *damagedChunk gets the text the error would
// have had (it is left empty for a sound frame).
void ReadFrame(FlicFile& file, FlicHeader& header, FrameStore& store, int index, ReadMode mode,
               std::string* damagedChunk = nullptr);

// Reads the rest of the file into one block and takes frames 0 to
// header.frames (the ring frame last) from it, with the same checks and
// messages as ReadFrame. On failure every buffer read so far is released
// before the error passes on. `progress`, when given, hears the bytes read of
// those to read after each piece; what it raises ends the read the same way.
using ReadProgress = std::function<void(uint64_t done, uint64_t total)>;
void ReadWholeFlic(FlicFile& file, const FlicHeader& header, FrameStore& store, const ReadProgress& progress = {});

}  // namespace kt
