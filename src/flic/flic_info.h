// The figures of the information panel, as the texts it shows.
#pragma once

#include <string>

#include "flic/flic_header.h"

namespace kt {

struct FlicInfoTexts {
  bool hasFigures = false;  // false: the value labels keep what they showed
  std::string frames, width, height, size, type, delay, speed;
  std::string status;  // always written
};

FlicInfoTexts MakeFlicInfo(const FlicHeader& header, bool flicInMemory, const std::string& diskFlicName);

// "Old FLI Format", "New FLC Format", or "Unknown" for a header that failed its check.
std::string FlicTypeText(uint16_t magic);

}  // namespace kt
