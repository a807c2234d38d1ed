// The conversion as the player reaches it: a module it loads the first time
// the user exports. Linked into the player, the encoders' libraries (FFmpeg,
// giflib, libwebp, libimagequant and what they pull in, over a hundred) were
// loaded and bound at every start, which cost more than all of Qt.
#pragma once

#include <string>

#include "convert/convert.h"

namespace kt {

// The module's calls, as declared in convert.h and output_formats.h; they
// throw as those do.
struct ExportCalls {
  std::string (*saveDialogFilter)();
  ConvertReport (*convertFile)(const std::string& input, const std::string& output, const ConvertOptions& options,
                               ConvertObserver& observer);
  ConvertReport (*convertFlicInMemory)(const FlicHeader& header, const FrameStore& store, const std::string& name,
                                       const std::string& output, const ConvertOptions& options,
                                       ConvertObserver& observer);
};

// The one name the module exports: a function that returns its calls.
inline constexpr const char* kExportCallsEntry = "KinetropeExportCalls";
using ExportCallsEntry = const ExportCalls* (*)();

}  // namespace kt
