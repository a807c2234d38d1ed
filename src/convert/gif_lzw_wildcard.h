// The image block of a frame whose pixels may each be written as either of
// two indices (an unchanged pixel as the transparent index or as its own).
// LZW is run ahead on the choices to find, for every code, the longest
// string the dictionary holds; the pixels so chosen are then compressed as
// any other block.
#pragma once

#include <cstdint>
#include <vector>

#include "convert/gif_lzw.h"

namespace kt {

// Appends the block to `out`, as AppendGifImage does, choosing between
// `pixels` and `alternatives` (which must not be null) pixel by pixel.
void AppendGifImageChoosing(const GifImage& image, std::vector<uint8_t>& out);

}  // namespace kt
