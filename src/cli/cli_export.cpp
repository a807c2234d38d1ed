#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "base/errors.h"
#include "cli/cli_flic.h"
#include "cli/commands.h"
#include "flic/bitmap_series.h"
#include "flic/frame_reader.h"

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

// Said after a read error, so that the user knows what of the series is there.
std::string WrittenSoFar(const std::string& base, int frames) {
  if (frames == 0) return "; no bitmap was written";
  if (frames == 1) return "; only " + RecordFileName(base, 0) + " was written";
  return "; only " + RecordFileName(base, 0) + " ... " + RecordFileName(base, frames - 1) + " were written";
}

int Export(const Arguments& args, bool keepGoing) {
  const std::string& path = args[0];
  FlicHeader header;
  FlicFile file = OpenFlicForDecoding(path, header);
  Picture picture(header.width, header.height, header.pixelBits);
  ExportEvents events(path);
  // Read frame by frame, as a playback from disk reads: the export holds one
  // frame's chunks whatever the length of the flic. One pass does not need
  // the ring frame, so a flic that lacks it exports whole.
  FrameStore store;
  // The base name is taken as given: the recorder's own name rule belongs to
  // the Save dialog, and here the caller writes the base directly.
  RecordingState recording;
  recording.Recording = true;
  recording.RecordBaseName = args[1];
  std::string skippedChunks;
  for (int f = 0; f < header.frames; ++f) {
    events.frame = f;
    try {
      ReadFrame(file, header, store, f, ReadMode::ChunkByChunk, keepGoing ? &skippedChunks : nullptr);
    } catch (const OutOfMemoryError& error) {
      throw std::runtime_error("frame " + std::to_string(f) + ": " + OutOfMemoryText(error.BytesAsked()) +
                               WrittenSoFar(args[1], f));
    } catch (const DamagedFlicError& error) {
      throw PlayerError(error.what() + WrittenSoFar(args[1], f));
    } catch (const PlayerError& error) {
      throw PlayerError("frame " + std::to_string(f) + ": " + error.what() + WrittenSoFar(args[1], f));
    }
    if (!skippedChunks.empty())
      std::fprintf(stderr, "kinetrope-cli: %s: %s%s\n", path.c_str(), skippedChunks.c_str(), kSkippedChunksText);
    picture.Decode(store.Slot(f), events);
    FreeFrameChunks(store, f);
    const std::string name = RecordFileName(recording.RecordBaseName, recording.RecordFrameNumber);
    errno = 0;
    bool created = false;
    try {
      // True colour goes to 24-bit bitmaps, exact; 256 colours keep their own table.
      created =
          picture.IsTrueColour()
              ? SaveTrueColourFrameBitmap(recording, picture.Bgr().data(), header.width, header.height)
              : SaveFrameBitmap(recording, picture.Pixels().data(), header.width, header.height, picture.Palette());
    } catch (const BitmapWriteError& error) {
      std::fprintf(stderr, "kinetrope-cli: %s: cannot write %s: %s; %s\n", path.c_str(), name.c_str(),
                   std::strerror(error.SystemError()),
                   error.UnfinishedFileRemoved() ? "the unfinished file was removed" : "remove the unfinished file");
      return 1;
    }
    if (!created) {
      const int error = errno;
      // The player skips such a file; an export that left gaps would be a
      // failure reported as success.
      std::fprintf(stderr, "kinetrope-cli: %s: cannot create %s: %s\n", path.c_str(), name.c_str(),
                   std::strerror(error));
      return 1;
    }
  }
  std::printf("%s: %d frame%s written to %s ... %s\n", path.c_str(), static_cast<int>(header.frames),
              header.frames == 1 ? "" : "s", RecordFileName(args[1], 0).c_str(),
              RecordFileName(args[1], header.frames - 1).c_str());
  return 0;
}

}  // namespace

int RunExport(const Arguments& given) {
  Arguments args;
  bool keepGoing = false;
  for (const std::string& word : given) {
    if (word == "--keep-going") {
      keepGoing = true;
    } else {
      args.push_back(word);
    }
  }
  if (args.size() != 2) {
    std::fputs("usage: kinetrope-cli export FILE BASE [--keep-going]\n", stderr);
    return 2;
  }
  return WithFlic(args[0], [&] { return Export(args, keepGoing); });
}

}  // namespace kt::cli
