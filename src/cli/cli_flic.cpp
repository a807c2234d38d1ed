#include "cli/cli_flic.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <utility>

#include "base/errors.h"
#include "flic/flic_header.h"
#include "flic/frame_reader.h"
#include "platform/path_lookup.h"
#include "platform/regular_file.h"

namespace kt::cli {
namespace {

volatile std::sig_atomic_t endingSignal = 0;

void NoteEndingSignal(int) { endingSignal = 1; }

}  // namespace

void NoteEndingSignals() {
  struct sigaction action {};
  action.sa_handler = NoteEndingSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool EndingSignalNoted() { return endingSignal != 0; }

LoadedFlic::~LoadedFlic() {
  if (store) FreeFrameRange(*store, header.frames);
}

std::string AboutFile(const std::string& path, const std::string& text) {
  if (text.rfind(path, 0) == 0) return text;
  return path + ": " + text;
}

std::string OutOfMemoryText(uint64_t bytesAsked) {
  if (bytesAsked == 0) return "out of memory";
  char size[32];
  const double mib = static_cast<double>(bytesAsked) / (1024.0 * 1024.0);
  if (mib >= 1000.0) {
    std::snprintf(size, sizeof size, "%.1f GiB", mib / 1024.0);
  } else {
    std::snprintf(size, sizeof size, "%.1f MiB", mib);
  }
  return "out of memory: " + std::to_string(bytesAsked) + " bytes (" + size + ") asked for";
}

int WithFlic(const std::string& path, const std::function<int()>& work) {
  try {
    return work();
  } catch (const OutOfMemoryError& error) {
    std::fprintf(stderr, "kinetrope-cli: %s: %s\n", path.c_str(), OutOfMemoryText(error.BytesAsked()).c_str());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kinetrope-cli: %s: %s\n", path.c_str(), OutOfMemoryText(0).c_str());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kinetrope-cli: %s\n", AboutFile(path, error.what()).c_str());
    return 1;
  }
}

std::string OpenFailureText(const std::string& path, const std::string& reason) {
  if (const std::optional<std::string> kind = NotRegularFileKind(FindPathIgnoringCase(path))) {
    return path + " is " + *kind + ", not a flic file; give the name of a flic file.";
  }
  return reason.empty() ? std::string(kLoadErrorText) : LoadErrorText(reason);
}

FlicFile OpenFlicForDecoding(const std::string& path, FlicHeader& header) {
  OrWhyNot<OpenedFlic> opened = OpenFlic(path);
  if (!opened) throw PlayerError(OpenFailureText(path, opened.Reason()));
  header = opened->header;
  CheckFlicIsPlayable(header, true);
  return std::move(opened->file);
}

LoadedFlic LoadFlicForDecoding(const std::string& path) {
  LoadedFlic flic;
  std::optional<FlicFile> file = OpenFlicForDecoding(path, flic.header);
  flic.store = std::make_unique<FrameStore>();
  try {
    ReadWholeFlic(*file, flic.header, *flic.store);
    flic.ringFrameRead = true;
  } catch (const PlayerError& error) {
    if (dynamic_cast<const OutOfMemoryError*>(&error) != nullptr) throw;
    // Read again without the ring frame: a single pass does not need it. A
    // fault in an earlier frame raises the same error again, this time for good.
    file->Seek(flic.header.oframe1);
    FlicHeader scratch = flic.header;
    int f = 0;
    try {
      for (f = 0; f < flic.header.frames; ++f) ReadFrame(*file, scratch, *flic.store, f, ReadMode::ChunkByChunk);
    } catch (...) {
      FreeFrameRange(*flic.store, f);
      throw;
    }
  }
  return flic;
}

Picture::Picture(uint16_t width, uint16_t height, uint8_t pixelBits) {
  trueColour_.pixelBits = pixelBits;
  const size_t size = static_cast<size_t>(width) * height * (IsTrueColour() ? trueColour_.BytesPerPixel() : 1);
  try {
    pixels_.assign(size, 0);
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError(size);
  }
  target_.pixels = pixels_.data();
  target_.width = width;
  target_.height = height;
  target_.palette = &palette_;
  trueColour_.pixels = pixels_.data();
  trueColour_.width = width;
  trueColour_.height = height;
}

std::vector<uint8_t> Picture::Bgr() const {
  const uint32_t count = static_cast<uint32_t>(target_.width) * target_.height;
  std::vector<uint8_t> bgr(static_cast<size_t>(count) * 3);
  if (IsTrueColour()) {
    TrueColourToBgr(pixels_.data(), count, trueColour_.pixelBits, bgr.data());
  } else {
    for (uint32_t i = 0; i < count; ++i) {
      const RgbColour& colour = palette_[pixels_[i]];
      bgr[3 * i] = colour.blue;
      bgr[3 * i + 1] = colour.green;
      bgr[3 * i + 2] = colour.red;
    }
  }
  return bgr;
}

void Picture::Clear() {
  std::fill(pixels_.begin(), pixels_.end(), 0);
  palette_ = BasePalette{};
}

}  // namespace kt::cli
