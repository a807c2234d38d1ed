#include "convert/frame_source.h"

#include <fstream>

#include "base/ascii.h"

namespace kt {

std::unique_ptr<FrameSource> OpenFrameSource(const std::string& input, const SourceSettings& settings) {
  // A numbered series names no one file.
  if (input.find('%') != std::string::npos && !std::ifstream(input)) return OpenAvSource(input);
  unsigned char start[12] = {};
  std::ifstream file(input, std::ios::binary);
  // A file that does not open goes to the flic reader, which says why as the player does.
  if (!file || !file.read(reinterpret_cast<char*>(start), sizeof start)) return OpenFlicSource(input, settings);
  if (std::string(reinterpret_cast<char*>(start), 4) == "GIF8") return OpenGifSource(input);
  if (std::string(reinterpret_cast<char*>(start), 4) == "RIFF" &&
      std::string(reinterpret_cast<char*>(start) + 8, 4) == "WEBP") {
    return OpenWebPSource(input);
  }
  // A flic's type word (0xAFxx) stands at bytes 4 and 5; its usual names
  // go to the flic reader too, so that a damaged one is told as a flic.
  const size_t dot = input.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : AsciiLowerCase(input.substr(dot));
  if (start[5] == 0xAF || extension == ".fli" || extension == ".flc" || extension == ".cel") {
    return OpenFlicSource(input, settings);
  }
  return OpenAvSource(input);
}

}  // namespace kt
