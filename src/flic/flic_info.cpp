#include "flic/flic_info.h"

#include <cstdint>

namespace kt {

std::string FlicTypeText(uint16_t magic) {
  if (magic == kFliMagic) return "Old FLI Format";
  if (magic == kFlcMagic) return "New FLC Format";
  return "Unknown";
}

FlicInfoTexts MakeFlicInfo(const FlicHeader& header, bool flicInMemory, const std::string& diskFlicName) {
  FlicInfoTexts info;
  if (flicInMemory || !diskFlicName.empty()) {
    info.hasFigures = true;
    info.frames = std::to_string(header.frames);
    info.width = std::to_string(header.width);
    info.height = std::to_string(header.height);
    info.size = std::to_string(static_cast<int32_t>(header.size));
    // A true-colour flic's kind is its depth, which decides how it looks.
    info.type = header.IsTrueColour() ? FlicDepthText(header) : FlicTypeText(header.magic);
    const uint16_t delay = header.DelayMs();
    info.delay = std::to_string(delay) + "ms";
    info.speed = delay > 0 ? std::to_string(1000 / delay) + "fps" : "Max";
  }
  info.status = flicInMemory ? "In Memory" : (!diskFlicName.empty() ? "File selected" : "None");
  return info;
}

}  // namespace kt
