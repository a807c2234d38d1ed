#include <cstdio>
#include <optional>
#include <string>

#include "base/bytes.h"
#include "base/errors.h"
#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "flic/flic_header.h"
#include "flic/flic_info.h"
#include "flic/frame_reader.h"

namespace kt::cli {
namespace {

// The panel's two names for 256-colour flics, and what the other types are.
std::string TypeText(const FlicHeader& header, const std::string& panelText) {
  switch (header.magic) {
    case kDeepMagic: return "True-colour FLH/FLT (0xAF44)";
    case kHuffmanMagic: return "Huffman or BWT-compressed (0xAF30), which cannot be played";
    case kFrameShiftMagic: return "Frame shift (0xAF31), which cannot be played";
    default: return header.pixelBits == 15 ? "FLX, an FLC of 15-bit pixels (0xAF12, depth 16)" : panelText;
  }
}

// "W x H in frame 0" for a postage stamp among frame 0's chunks; empty when
// there is none or frame 0 cannot be read.
std::string PostageStamp(FlicFile& file, FlicHeader header) {
  if (header.frames == 0) return {};
  FrameStore store;
  std::string text;
  try {
    ReadFrame(file, header, store, 0, ReadMode::ChunkByChunk);
    const FrameSlot& slot = store.Slot(0);
    for (const ChunkRef& chunk : slot.chunkTable) {
      if (chunk.type == PSTAMP && chunk.DataSize() >= 4 && chunk.data) {
        text = std::to_string(ReadU16(chunk.data.get() + 2)) + " x " + std::to_string(ReadU16(chunk.data.get())) +
               " in frame 0 (not shown)";
        break;
      }
    }
  } catch (const PlayerError&) {
  }
  FreeFrameChunks(store, 0);
  return text;
}

}  // namespace

int RunInfo(const Arguments& args) {
  if (args.size() != 1) {
    std::fputs("usage: kinetrope-cli info FILE\n", stderr);
    return 2;
  }
  OrWhyNot<OpenedFlic> opened = OpenFlic(args[0]);
  if (!opened) {
    std::fprintf(stderr, "kinetrope-cli: %s\n", AboutFile(args[0], OpenFailureText(args[0], opened.Reason())).c_str());
    return 1;
  }
  const FlicHeader& header = opened->header;
  const FlicInfoTexts info = MakeFlicInfo(header, false, args[0]);
  std::printf("Frames    : %s\n", info.frames.c_str());
  std::printf("Width     : %s\n", info.width.c_str());
  std::printf("Height    : %s\n", info.height.c_str());
  // The header's count as read: a damaged header's top bit makes no negative size here.
  std::printf("Size      : %lu\n", static_cast<unsigned long>(header.size));
  std::printf("Type      : %s\n", TypeText(header, info.type).c_str());
  std::printf("Depth     : %s\n", FlicDepthText(header).c_str());
  std::printf("Delay     : %s\n", info.delay.c_str());
  std::printf("Speed     : %s\n", info.speed.c_str());
  const std::string stamp = PostageStamp(opened->file, header);
  if (!stamp.empty()) std::printf("Stamp     : %s\n", stamp.c_str());
  return 0;
}

}  // namespace kt::cli
