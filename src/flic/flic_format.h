// The numbers that the flic format fixes: magic numbers, header sizes and
// chunk types. Shared by the reader, the decoder, the checks and the tools
// that write flics.
#pragma once

#include <cstdint>

namespace kt {

inline constexpr uint16_t kFliMagic = 0xAF11;
inline constexpr uint16_t kFlcMagic = 0xAF12;
// 15, 16 or 24-bit pixels, by the header's depth field (".flh", ".flt").
inline constexpr uint16_t kDeepMagic = 0xAF44;
// Types whose compression nobody describes in full: named, never played.
inline constexpr uint16_t kHuffmanMagic = 0xAF30;
inline constexpr uint16_t kFrameShiftMagic = 0xAF31;
inline constexpr uint32_t kFlicHeaderSize = 128;
inline constexpr uint16_t kFrameMagic = 0xF1FA;
// Frame records as a 3D modelling program writes them; read like any frame.
inline constexpr uint16_t kModellerFrameMagic = 0xF5FA;
// Records that may stand between the header and frame 1, each with a DWORD
// size first: the writing program's settings, a table of segments, the
// tables of the Huffman-compressed type.
inline constexpr uint16_t kPrefixMagic = 0xF100;
inline constexpr uint16_t kSegmentTableMagic = 0xF1FB;
inline constexpr uint16_t kHuffmanTableMagic = 0xF1FC;
inline constexpr uint32_t kFrameHeaderSize = 16;
inline constexpr uint32_t kChunkHeaderSize = 6;

enum ChunkType : uint16_t {
  COLOR_256 = 4,
  DELTA_FLC = 7,
  COLOR_64 = 11,
  DELTA_FLI = 12,
  BLACK = 13,
  BYTE_RUN = 15,
  FLI_COPY = 16,
  PSTAMP = 18,
  DTA_BRUN = 25,
  DTA_COPY = 26,
  DTA_LC = 27,
};

}  // namespace kt
