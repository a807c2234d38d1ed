// Little-endian fields, as flics and bitmaps store them: read from and
// written into raw bytes, or appended to a growing buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kt {

inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

inline void WriteU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// For std::string and std::vector<uint8_t> alike.
template <typename Buffer>
void AppendU8(Buffer& out, uint8_t v) {
  out.push_back(static_cast<typename Buffer::value_type>(v));
}

template <typename Buffer>
void AppendU16(Buffer& out, uint16_t v) {
  AppendU8(out, static_cast<uint8_t>(v));
  AppendU8(out, static_cast<uint8_t>(v >> 8));
}

template <typename Buffer>
void AppendU32(Buffer& out, uint32_t v) {
  AppendU16(out, static_cast<uint16_t>(v));
  AppendU16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace kt
