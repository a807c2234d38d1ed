#include "convert/palette_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "convert/convert.h"

namespace kt {
namespace {

// Lines without their ends (CR LF or LF), blank ones and comments kept.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "R G B" at the line's start, each 0 to 255; false for anything else.
bool ReadColour(const std::string& line, RgbColour& colour) {
  std::istringstream in(line);
  int r = -1, g = -1, b = -1;
  if (!(in >> r >> g >> b)) return false;
  if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return false;
  colour = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
  return true;
}

[[noreturn]] void Bad(const std::string& name, const std::string& why) { throw ConvertError(name + ": " + why); }

FixedPalette Jasc(const std::string& name, const std::vector<std::string>& lines) {
  int count = 0;
  if (lines.size() < 3 || lines[1] != "0100" || !(std::istringstream(lines[2]) >> count) || count < 1 || count > 256) {
    Bad(name, "a JASC palette starts JASC-PAL, 0100 and a count of 1 to 256 colours");
  }
  if (lines.size() < 3 + static_cast<size_t>(count))
    Bad(name, "the palette ends before its " + std::to_string(count) + " colours");
  FixedPalette palette;
  palette.count = count;
  for (int i = 0; i < count; ++i) {
    if (!ReadColour(lines[3 + static_cast<size_t>(i)], palette.colours[static_cast<size_t>(i)])) {
      Bad(name, "line " + std::to_string(4 + i) + " is not a colour as R G B from 0 to 255");
    }
  }
  return palette;
}

FixedPalette Gimp(const std::string& name, const std::vector<std::string>& lines) {
  FixedPalette palette;
  palette.count = 0;
  for (size_t n = 1; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#' || line.rfind("Name:", 0) == 0 ||
        line.rfind("Columns:", 0) == 0) {
      continue;
    }
    if (palette.count == 256) Bad(name, "the palette has more than 256 colours");
    if (!ReadColour(line, palette.colours[static_cast<size_t>(palette.count)])) {
      Bad(name, "line " + std::to_string(n + 1) + " is not a colour as R G B from 0 to 255");
    }
    ++palette.count;
  }
  if (palette.count == 0) Bad(name, "the palette has no colours");
  return palette;
}

}  // namespace

FixedPalette ParsePaletteText(const std::string& name, const std::string& text) {
  if (text.rfind("JASC-PAL", 0) == 0) return Jasc(name, Lines(text));
  if (text.rfind("GIMP Palette", 0) == 0) return Gimp(name, Lines(text));
  // Adobe's colour table: 256 RGB triples, sometimes followed by a count and
  // the transparent index (772 bytes).
  if (text.size() == 768 || text.size() == 772) {
    FixedPalette palette;
    for (size_t i = 0; i < 256; ++i) {
      palette.colours[i] = {static_cast<uint8_t>(text[i * 3]), static_cast<uint8_t>(text[i * 3 + 1]),
                            static_cast<uint8_t>(text[i * 3 + 2])};
    }
    if (text.size() == 772) {
      const int count = (static_cast<uint8_t>(text[768]) << 8) | static_cast<uint8_t>(text[769]);
      if (count >= 1 && count <= 256) palette.count = count;
    }
    return palette;
  }
  Bad(name, "not a palette: give a JASC .pal, a GIMP .gpl, a 768-byte .act or a flic");
}

FixedPalette ReadPaletteFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Bad(path, std::strerror(errno));
  char start[6] = {};
  in.read(start, sizeof start);
  // A flic's type word stands at bytes 4 and 5.
  if (in.gcount() == 6 && static_cast<uint8_t>(start[5]) == 0xAF) {
    in.close();
    SourceFrame frame;
    std::unique_ptr<FrameSource> flic = OpenFlicSource(path, SourceSettings{});
    if (!flic->Next(frame)) Bad(path, "the flic has no frame to take the palette from");
    FixedPalette palette;
    palette.colours = *frame.palette;
    return palette;
  }
  in.clear();
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size > (1 << 20)) Bad(path, "not a palette: the file is too large");
  in.seekg(0);
  std::string text;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return ParsePaletteText(path, text);
}

}  // namespace kt
