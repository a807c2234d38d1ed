// kinetrope-cli: shows, exports, converts, checks, benchmarks and draws
// thumbnails of flics without a display.
#include <csignal>
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "cli/commands.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: kinetrope-cli COMMAND ...\n"
      "  info FILE                  the information panel's figures\n"
      "  export FILE BASE [--keep-going]  the first pass as BASE0000.bmp, BASE0001.bmp ...\n"
      "  check FILE                 reads and decodes every frame; lists what is wrong\n"
      "  bench FILE [--passes N] [--runs R] [--with-read]  decoding speed from memory, processor time\n"
      "  bench FILE --load [--runs R]  load time, and the memory the loaded flic holds\n"
      "  bench FILE --seek N [--disk]  N rebuilds of frames at random, as step back and the frame bar do\n"
      "  convert INPUT OUTPUT [options]  GIF, animated PNG, WebP, MP4, WebM, FLC or FLI by OUTPUT's\n"
      "                             extension (.gif .png .webp .mp4 .webm .flc .fli; an FLI is 320x200),\n"
      "                             or PNG frames named like frame%04d.png;\n"
      "                             INPUT: a flic, GIF, PNG or animated PNG, WebP, numbered PNG or BMP\n"
      "                             frames (frame%04d.png), or a video;\n"
      "                             options: --scale N, --brightness B, --contrast C, --delay MS,\n"
      "                             --frames A-B, --transparent INDEX, --loop N, --keep-going,\n"
      "                             --background RRGGBB, --key INDEX, --palette FILE, --dither,\n"
      "                             --threads N, --quality CRF, --format FORMAT (with OUTPUT -)\n"
      "  thumbnail [--size N] FILE OUT.png  a PNG of the flic's picture fitting N x N (256)\n"
      "  --version                  the version\n"
      "  --help                     this list\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kt::cli;
  // Past a file-size limit a write then fails with EFBIG, which the export
  // reports and cleans up after, instead of the process dying mid-file.
  std::signal(SIGXFSZ, SIG_IGN);
  // One command a line, so that branches adding commands merge cleanly.
  // clang-format off
  const std::map<std::string, int (*)(const Arguments&)> commands = {
      {"info", RunInfo},
      {"export", RunExport},
      {"check", RunCheck},
      {"bench", RunBench},
      {"convert", RunConvert},
      {"thumbnail", RunThumbnail},
  };
  // clang-format on
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (name == "--version") {
    std::puts("kinetrope-cli " KINETROPE_VERSION);
    return 0;
  }
  const auto command = commands.find(name);
  if (command == commands.end()) {
    std::fprintf(stderr, "kinetrope-cli: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return 2;
  }
  try {
    return command->second(Arguments(argv + 2, argv + argc));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kinetrope-cli: %s\n", error.what());
    return 1;
  }
}
