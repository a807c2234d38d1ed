// PNG output for thumbnails, through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kt::cli {

// Writes `rgb` (width x height pixels of three bytes, top row first) as a PNG
// file at `path`. The file is written under a temporary name in the same
// folder and renamed to `path` only when complete, so a reader of `path`
// never sees half a picture; on failure the temporary file is removed and a
// PlayerError says why.
void WritePngFile(const std::string& path, const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height);

}  // namespace kt::cli
