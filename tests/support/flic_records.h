// Chunks and frame records laid out byte by byte. Header-only, so that the
// benchmark tools, built without the tests, write their flics with the same
// code as the tests and the fuzz seeds.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "base/bytes.h"

namespace kt::test {

using Bytes = std::vector<uint8_t>;

struct ChunkSpec {
  uint16_t type = 0;
  Bytes data;
  std::optional<uint32_t> declaredSize;  // default: 6 + data size
};

struct FrameSpec {
  std::vector<ChunkSpec> chunks;
  uint32_t padding = 0;                    // zero bytes after the chunks, counted in the frame size
  std::optional<uint32_t> declaredSize;    // default: 16 + chunks + padding
  std::optional<uint16_t> declaredChunks;  // default: chunks.size()
  uint16_t magic = 0xF1FA;
};

inline Bytes FrameRecord(const FrameSpec& frame) {
  Bytes body;
  for (const ChunkSpec& chunk : frame.chunks) {
    AppendU32(body, chunk.declaredSize.value_or(static_cast<uint32_t>(6 + chunk.data.size())));
    AppendU16(body, chunk.type);
    body.insert(body.end(), chunk.data.begin(), chunk.data.end());
  }
  body.insert(body.end(), frame.padding, 0);
  Bytes out;
  AppendU32(out, frame.declaredSize.value_or(static_cast<uint32_t>(16 + body.size())));
  AppendU16(out, frame.magic);
  AppendU16(out, frame.declaredChunks.value_or(static_cast<uint16_t>(frame.chunks.size())));
  out.insert(out.end(), 8, 0);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// A frame with the given chunks, each of the type and data given.
inline FrameSpec Frame(std::vector<ChunkSpec> chunks) {
  FrameSpec frame;
  frame.chunks = std::move(chunks);
  return frame;
}

}  // namespace kt::test
