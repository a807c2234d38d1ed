// The formats a conversion writes, in one table: the names that ask for
// each, what messages and the Save dialog call it, its limits and its
// writer. A new format is one more row.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "convert/animation_writer.h"

namespace kt {

// Where a writer puts its output: one file, or for a numbered series the
// pattern and the files it makes.
struct WriterTarget {
  std::string name;
  OutputFile* file = nullptr;
  std::vector<std::unique_ptr<OutputFile>>* series = nullptr;
  // The user fixed the palette: every frame's colours are it, and the
  // indices are to be written as they are.
  bool fixedPalette = false;
  // What a re-encoded flic keeps of its source.
  FlicKeptBytes kept;
};

struct OutputFormat {
  AnimationFormat format;
  const char* label;                    // "GIF", for messages
  const char* dialogName;               // "GIF animation", in the Save dialog
  std::vector<std::string> extensions;  // lower case, the usual one first
  bool numbered;                        // one file per frame, named by a %d pattern
  int maxSide;                          // pixels
  int maxFrames;                        // 0: no limit
  std::unique_ptr<AnimationWriter> (*makeWriter)(const WriterTarget& target, const AnimationLayout& layout);
  int colourBits = 8;  // bits a palette entry keeps of each of red, green and blue
};

const std::vector<OutputFormat>& OutputFormats();
const OutputFormat& OutputFormatOf(AnimationFormat format);

// "GIF animation (*.gif)|*.gif|...": every single-file format for a Save
// dialog, in the table's order.
std::string SaveDialogFilter();

}  // namespace kt
