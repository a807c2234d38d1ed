// Palettes a user fixes for a conversion, as paint programs and games keep
// them: JASC .pal, GIMP .gpl, a raw 768-byte .act, or a flic (its first
// frame's colours).
#pragma once

#include <string>

#include "convert/frame_colours.h"

namespace kt {

// Raises ConvertError "PATH: reason" for a file that is none of these.
FixedPalette ReadPaletteFile(const std::string& path);

// The same for text already read; `name` stands for it in messages.
FixedPalette ParsePaletteText(const std::string& name, const std::string& text);

}  // namespace kt
