// One true-colour picture as a PNG file, as thumbnails are written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kt {

// Writes `rgb` (width x height pixels of three bytes, top row first) to
// `path` through a temporary file beside it that is renamed over `path`
// only when complete; `cancelled` is asked just before that rename, and a
// true answer leaves nothing behind. Raises ConvertError naming the file
// and the reason (ConvertCancelled when cancelled).
void WriteRgbPngFile(const std::string& path, const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height,
                     bool (*cancelled)() = nullptr);

}  // namespace kt
