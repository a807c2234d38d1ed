// The numbers that the flic format fixes: magic numbers, header sizes and
// chunk types. Shared by the reader, the decoder, the checks and the tools
// that write flics.
#pragma once

#include <cstdint>

namespace kt {

inline constexpr uint16_t kFliMagic = 0xAF11;
inline constexpr uint16_t kFlcMagic = 0xAF12;
inline constexpr uint32_t kFlicHeaderSize = 128;
inline constexpr uint16_t kFrameMagic = 0xF1FA;
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
};

}  // namespace kt
