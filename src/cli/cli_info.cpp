#include <cstdio>

#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "flic/flic_header.h"
#include "flic/flic_info.h"

namespace kt::cli {

int RunInfo(const Arguments& args) {
  if (args.size() != 1) {
    std::fputs("usage: kinetrope-cli info FILE\n", stderr);
    return 2;
  }
  FlicHeader header;
  std::string whyNot;
  if (!OpenFlic(args[0], header, &whyNot)) {
    std::fprintf(stderr, "kinetrope-cli: %s\n", AboutFile(args[0], OpenFailureText(args[0], whyNot)).c_str());
    return 1;
  }
  const FlicInfoTexts info = MakeFlicInfo(header, false, args[0]);
  std::printf("Frames    : %s\n", info.frames.c_str());
  std::printf("Width     : %s\n", info.width.c_str());
  std::printf("Height    : %s\n", info.height.c_str());
  // The header's count as read: a damaged header's top bit makes no negative size here.
  std::printf("Size      : %lu\n", static_cast<unsigned long>(header.size));
  std::printf("Type      : %s\n", info.type.c_str());
  std::printf("Delay     : %s\n", info.delay.c_str());
  std::printf("Speed     : %s\n", info.speed.c_str());
  return 0;
}

}  // namespace kt::cli
