#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "base/errors.h"
#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "flic/bitmap_series.h"

namespace kt::cli {
namespace {

// The player asks about an unknown chunk and goes on when told to ignore it;
// the export goes on at once and says so.
class ExportEvents : public DecodeEvents {
 public:
  explicit ExportEvents(const std::string& path) : path_(path) {}
  int frame = 0;
  void UnknownChunk(uint16_t type) override {
    std::fprintf(stderr, "kinetrope-cli: %s: frame %d: unknown chunk type %u skipped\n", path_.c_str(), frame, type);
  }
  void DataClipped(int chunkIndex, uint16_t type) override {
    std::fprintf(stderr, "kinetrope-cli: %s: frame %d: chunk %d (type %u) was cut off at the picture's bounds\n",
                 path_.c_str(), frame, chunkIndex, type);
  }

 private:
  std::string path_;
};

int Export(const Arguments& args) {
  const LoadedFlic flic = LoadFlicForDecoding(args[0]);
  Picture picture(flic.header.width, flic.header.height);
  ExportEvents events(args[0]);
  // The base name is taken as given: the recorder's own name rule belongs to
  // the Save dialog, and here the caller writes the base directly.
  RecordingState recording;
  recording.Recording = true;
  recording.RecordBaseName = args[1];
  for (int f = 0; f < flic.header.frames; ++f) {
    events.frame = f;
    DecodeFrame(flic.store->Slot(f), picture.Target(), events);
    const std::string name = RecordFileName(recording.RecordBaseName, recording.RecordFrameNumber);
    errno = 0;
    bool created = false;
    try {
      created =
          SaveFrameBitmap(recording, picture.Pixels().data(), flic.header.width, flic.header.height, picture.Palette());
    } catch (const BitmapWriteError& error) {
      // A truncated bitmap looks like a finished one to whatever reads the
      // series next, so it goes.
      const bool removed = ::unlink(name.c_str()) == 0 || errno == ENOENT;
      std::fprintf(stderr, "kinetrope-cli: %s: cannot write %s: %s; %s\n", args[0].c_str(), name.c_str(),
                   std::strerror(error.SystemError()),
                   removed ? "the unfinished file was removed" : "remove the unfinished file");
      return 1;
    }
    if (!created) {
      const int error = errno;
      // The player skips such a file silently; an export that left gaps
      // would be a failure reported as success.
      std::fprintf(stderr, "kinetrope-cli: %s: cannot create %s: %s\n", args[0].c_str(), name.c_str(),
                   std::strerror(error));
      return 1;
    }
  }
  std::printf("%s: %d frame%s written to %s ... %s\n", args[0].c_str(), static_cast<int>(flic.header.frames),
              flic.header.frames == 1 ? "" : "s", RecordFileName(args[1], 0).c_str(),
              RecordFileName(args[1], flic.header.frames - 1).c_str());
  return 0;
}

}  // namespace

int RunExport(const Arguments& args) {
  if (args.size() != 2) {
    std::fputs("usage: kinetrope-cli export FILE BASE\n", stderr);
    return 2;
  }
  return WithFlic(args[0], [&] { return Export(args); });
}

}  // namespace kt::cli
