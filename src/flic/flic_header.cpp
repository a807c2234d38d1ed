#include "flic/flic_header.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "base/bytes.h"
#include "base/errors.h"
#include "flic/frame_store.h"

namespace kt {

FlicHeader ParseFlicHeader(const uint8_t* bytes) {
  FlicHeader h;
  h.size = ReadU32(bytes + 0);
  h.magic = ReadU16(bytes + 4);
  h.frames = ReadU16(bytes + 6);
  h.width = ReadU16(bytes + 8);
  h.height = ReadU16(bytes + 10);
  h.depth = ReadU16(bytes + 12);
  h.flags = ReadU16(bytes + 14);
  h.speed = ReadU32(bytes + 16);
  h.oframe1 = ReadU32(bytes + 80);
  h.oframe2 = ReadU32(bytes + 84);
  return h;
}

uint32_t FliSpeedToMilliseconds(uint32_t speed) {
  // Extended precision (a 64-bit significand) and ties to even, as the
  // player has always computed it: 1 -> 14, 5 -> 71, 7 -> 100.
  const long double ms = static_cast<long double>(speed) * (1.0L / 70.0L) * 1000.0L;
  // A speed past 300647710 gives more than 32 bits of milliseconds; like the
  // 32-bit field it is stored in, the value keeps its low 32 bits.
  return static_cast<uint32_t>(static_cast<uint64_t>(std::nearbyintl(ms)));
}

uint8_t PixelBitsOf(uint16_t magic, uint16_t depth) {
  if (magic == kDeepMagic) return depth == 15 || depth == 16 || depth == 24 ? static_cast<uint8_t>(depth) : 0;
  // A 16 in an FLC's depth field marks the 15-bit variant; any other value
  // there has always been read as 8 bits, and still is.
  if (magic == kFlcMagic && depth == 16) return 15;
  return 8;
}

namespace {

// The first bytes of a file, as a quoted text with every byte that is no
// printable ASCII written as \xNN: enough to tell a PNG, a ZIP or a text.
std::string QuotedStart(const uint8_t* bytes, size_t count) {
  std::string text = "\"";
  char escaped[8];
  for (size_t i = 0; i < count; ++i) {
    const uint8_t c = bytes[i];
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      text += static_cast<char>(c);
    } else {
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text + "\"";
}

// Steps over the records that may stand where frame 0 is looked for; a table
// of segments leaves the header's own figures, which describe the first
// segment, in force. Stops at the first record of another kind, at a size
// that cannot be a record, and at the end of the file.
void SkipLeadingRecords(FlicFile& file, FlicHeader& header) {
  for (int records = 0; records < 8; ++records) {
    uint8_t raw[6];
    file.Seek(header.oframe1);
    if (file.ReadUpTo(raw, sizeof raw) < sizeof raw) return;
    const uint32_t size = ReadU32(raw);
    const uint16_t magic = ReadU16(raw + 4);
    if (magic != kPrefixMagic && magic != kSegmentTableMagic && magic != kHuffmanTableMagic) return;
    if (size < kChunkHeaderSize || size > file.Length() - header.oframe1 || size > UINT32_MAX - header.oframe1) return;
    header.oframe1 += size;
  }
}

}  // namespace

OrWhyNot<FlicHeader> ReadFlicHeader(FlicFile& file) {
  std::array<uint8_t, kFlicHeaderSize> raw{};
  FlicHeader header;
  file.Seek(0);
  const uint64_t got = file.ReadUpTo(raw.data(), raw.size());
  if (got == 0) return WhyNot{"not a flic: the file is empty"};
  if (got == raw.size()) header = ParseFlicHeader(raw.data());
  constexpr size_t kShown = 8;
  const bool magicRead = got >= 6;
  const uint16_t magic = magicRead ? ReadU16(raw.data() + 4) : 0;
  // The types that cannot be played are read all the same, so that what they
  // are can be said.
  const bool flicType = magic == kFliMagic || magic == kFlcMagic || magic == kDeepMagic || magic == kHuffmanMagic ||
                        magic == kFrameShiftMagic;
  if (!flicType) {
    std::string reason = "not a flic: the file starts with " +
                         QuotedStart(raw.data(), std::min<uint64_t>(got, kShown)) +
                         ", where a flic has the number AF11, AF12 or AF44 (hexadecimal) at byte 4";
    if (got == raw.size()) {
      const std::string scrambled = ScrambledFlicText(file, header);
      if (!scrambled.empty()) reason += "; " + scrambled;
    }
    return WhyNot{reason};
  }
  if (got < raw.size()) {
    return WhyNot{"the file ends after " + std::to_string(got) + " bytes, within the flic's " +
                  std::to_string(kFlicHeaderSize) + "-byte header"};
  }
  header.pixelBits = PixelBitsOf(header.magic, header.depth);
  if (header.IsFli()) {
    header.oframe1 = kFlicHeaderSize;
    header.speed = FliSpeedToMilliseconds(header.speed);
  }
  SkipLeadingRecords(file, header);
  file.Seek(header.oframe1);
  return header;
}

std::string ScrambledFlicText(FlicFile& file, const FlicHeader& header) {
  // A frame or settings record right after the header: the rest of the file
  // is a flic's, only its type word is not.
  uint8_t raw[6];
  file.Seek(kFlicHeaderSize);
  if (file.ReadUpTo(raw, sizeof raw) < sizeof raw) return {};
  const uint16_t magic = ReadU16(raw + 4);
  if (magic != kFrameMagic && magic != kPrefixMagic && magic != kModellerFrameMagic) return {};
  char type[8];
  std::snprintf(type, sizeof type, "0x%04X", header.magic);
  return std::string("the records after its header are a flic's, so its type word (") + type +
         ") is scrambled, as password-protected flics have it, and it cannot be played";
}

std::string FlicDepthText(const FlicHeader& header) {
  switch (header.pixelBits) {
    case 8: return "8-bit (256 colours)";
    case 15: return "15-bit (32768 colours)";
    case 16: return "16-bit (65536 colours)";
    case 24: return "24-bit (16777216 colours)";
    default: return "unknown (the depth field says " + std::to_string(header.depth) + ")";
  }
}

OrWhyNot<OpenedFlic> OpenFlic(const std::string& path) {
  OrWhyNot<FlicFile> file = FlicFile::Open(path);
  if (!file) return WhyNot{file.Reason()};
  try {
    const OrWhyNot<FlicHeader> header = ReadFlicHeader(*file);
    if (!header) return WhyNot{header.Reason()};
    return OpenedFlic{std::move(*file), *header};
  } catch (const InOutError& error) {
    return WhyNot{error.what()};
  }
}

std::string LoadErrorText(const std::string& reason) {
  std::string text = kLoadErrorText;
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text + ": " + reason;
}

void CheckFlicIsPlayable(const FlicHeader& header, bool trueColourTaken) {
  if (header.magic == kHuffmanMagic) {
    throw DamagedFlicError(
        "The flic is of type 0xAF30, whose frames are Huffman or BWT-compressed in a way nobody has described; "
        "it cannot be played.");
  }
  if (header.magic == kFrameShiftMagic) {
    throw DamagedFlicError(
        "The flic is of type 0xAF31 (frame shift), whose compression nobody has described; it cannot be played.");
  }
  if (header.pixelBits == 0) {
    throw DamagedFlicError("The flic's depth field says " + std::to_string(header.depth) +
                           " bits a pixel; true-colour flics have 15, 16 or 24.");
  }
  if (header.IsTrueColour() && !trueColourTaken) {
    throw DamagedFlicError("The flic is in true colour, " + std::to_string(header.pixelBits) +
                           "-bit; this measure takes only flics of 256 colours.");
  }
  if (header.frames == 0) throw DamagedFlicError("The flic has no frames.");
  if (header.frames > kMaxFlicFrames) {
    throw DamagedFlicError("The flic has " + std::to_string(header.frames) + " frames; the player holds at most " +
                           std::to_string(kMaxFlicFrames) + ".");
  }
  if (header.width == 0 || header.height == 0) {
    throw DamagedFlicError("The flic's frame size is " + std::to_string(header.width) + " x " +
                           std::to_string(header.height) + " pixels: it holds no picture.");
  }
  // No real flic comes near this; a damaged or hostile header would make
  // every frame cost gigabytes long before its data runs out.
  if (header.width > kMaxFlicSide || header.height > kMaxFlicSide) {
    throw DamagedFlicError("The flic's frame size is " + std::to_string(header.width) + " x " +
                           std::to_string(header.height) + " pixels; the player shows pictures up to " +
                           std::to_string(kMaxFlicSide) + " x " + std::to_string(kMaxFlicSide) + ".");
  }
}

}  // namespace kt
