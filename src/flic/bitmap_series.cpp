#include "flic/bitmap_series.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/ascii.h"
#include "base/bytes.h"
#include "base/errors.h"

namespace kt {
namespace {

constexpr uint32_t kPelsPerMetre = 3937;  // 100 dots per inch
constexpr size_t kWriteBlock = 64 * 1024;

std::string WriteErrorText(int error) {
  if (error == ENOSPC) return "Disk full";
  return IoErrorText(error);
}

// Collects the file's bytes and hands them to the system in large blocks, so
// a frame costs a few writes rather than one per row.
class BitmapFileWriter {
 public:
  explicit BitmapFileWriter(int fd) : fd_(fd) {
    buffer_.reserve(kWriteBlock);
    // Taken now, while the descriptor surely names the file, for the clean-up after a failure.
    struct stat info {};
    regularFile_ = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
    device_ = info.st_dev;
    inode_ = info.st_ino;
  }

  ~BitmapFileWriter() {
    // Only reached with the file still open when a write failed.
    if (fd_ >= 0) ::close(fd_);
  }

  void Append(const uint8_t* bytes, size_t count) {
    while (count > 0) {
      const size_t room = kWriteBlock - buffer_.size();
      const size_t take = count < room ? count : room;
      buffer_.insert(buffer_.end(), bytes, bytes + take);
      bytes += take;
      count -= take;
      if (buffer_.size() == kWriteBlock) Flush();
    }
  }

  void AppendZeros(size_t count) {
    static constexpr uint8_t kZeros[4] = {0, 0, 0, 0};
    while (count > 0) {
      const size_t take = count < sizeof kZeros ? count : sizeof kZeros;
      Append(kZeros, take);
      count -= take;
    }
  }

  void Finish() {
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw BitmapWriteError(errno);
  }

  // After a failed write: closes the file and removes it, since its header
  // already claims the whole picture and other programs reject it. Only the
  // file this writer made goes: a name that leads elsewhere (a link, a
  // device) is left alone. Returns whether nothing unfinished is left.
  bool RemoveUnfinished(const std::string& name) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    struct stat named {};
    const bool ours = regularFile_ && ::lstat(name.c_str(), &named) == 0 && S_ISREG(named.st_mode) &&
                      named.st_dev == device_ && named.st_ino == inode_;
    return ours && ::unlink(name.c_str()) == 0;
  }

 private:
  void Flush() {
    const uint8_t* at = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0) {
      const ssize_t written = ::write(fd_, at, left);
      if (written < 0) {
        if (errno == EINTR) continue;
        throw BitmapWriteError(errno);
      }
      // A write that takes nothing is a device that has no room left.
      if (written == 0) throw BitmapWriteError(ENOSPC);
      at += written;
      left -= static_cast<size_t>(written);
    }
    buffer_.clear();
  }

  int fd_;
  std::vector<uint8_t> buffer_;
  bool regularFile_ = false;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

// The file and info headers, followed by room for the colour table at 8 bits a pixel.
std::string HeaderBytes(uint32_t width, uint32_t height, uint16_t bitsPerPixel) {
  const uint32_t pixelOffset = bitsPerPixel == 8 ? kBitmapPixelOffset : kBitmapHeadersSize;
  std::string out(pixelOffset, '\0');
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  const uint32_t imageSize = BitmapRowSize(width * (bitsPerPixel / 8u)) * height;
  p[0] = 'B';
  p[1] = 'M';
  WriteU32(p + 2, pixelOffset + imageSize);
  WriteU32(p + 10, pixelOffset);
  WriteU32(p + 14, 40);
  WriteU32(p + 18, width);
  WriteU32(p + 22, height);  // positive: rows stored bottom-up
  WriteU16(p + 26, 1);
  WriteU16(p + 28, bitsPerPixel);
  WriteU32(p + 30, 0);  // BI_RGB
  WriteU32(p + 34, imageSize);
  WriteU32(p + 38, kPelsPerMetre);
  WriteU32(p + 42, kPelsPerMetre);
  return out;
}

}  // namespace

BitmapWriteError::BitmapWriteError(int systemError)
    : InOutError(WriteErrorText(systemError)), systemError_(systemError) {}

BitmapWriteError::BitmapWriteError(const BitmapWriteError& error, bool unfinishedFileRemoved)
    : BitmapWriteError(error) {
  unfinishedFileRemoved_ = unfinishedFileRemoved;
}

uint32_t BitmapRowSize(uint32_t width) { return (width + 3u) & ~3u; }

std::string BitmapHeaderBytes(uint32_t width, uint32_t height, const BasePalette& palette) {
  std::string out = HeaderBytes(width, height, 8);
  uint8_t* table = reinterpret_cast<uint8_t*>(out.data()) + kBitmapHeadersSize;
  for (const RgbColour& colour : palette) {
    table[0] = colour.blue;
    table[1] = colour.green;
    table[2] = colour.red;
    table[3] = 0;
    table += 4;
  }
  return out;
}

std::string RecordFileName(const std::string& baseName, int32_t number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return baseName + digits + ".bmp";
}

std::string RecordBaseNameFrom(const std::string& chosenPath) {
  const size_t at = AsciiUpperCase(chosenPath).find(".BMP");
  return at == std::string::npos ? chosenPath : chosenPath.substr(0, at);
}

void ArmRecording(RecordingState& state, const std::string& chosenPath) {
  state.RecordBaseName = RecordBaseNameFrom(chosenPath);
  state.RecordFrameNumber = 0;
  state.gaps = RecordingGaps();
  state.Recording = true;
}

namespace {

// The file named by the series' next number: the headers, then the rows
// bottom-up, each padded to a multiple of 4. With a palette, the pixels are
// its indices; without, bytes blue, green, red.
bool SaveBitmap(RecordingState& state, const char* writer, const uint8_t* pixels, int32_t width, int32_t height,
                const BasePalette* palette) {
  if (width < 0 || height < 0) throw std::invalid_argument(std::string(writer) + ": negative frame size");
  const auto w = static_cast<uint32_t>(width);
  const auto h = static_cast<uint32_t>(height);
  const uint32_t rowBytes = palette != nullptr ? w : 3 * w;
  const std::string header = palette != nullptr ? BitmapHeaderBytes(w, h, *palette) : HeaderBytes(w, h, 24);
  const std::string name = RecordFileName(state.RecordBaseName, state.RecordFrameNumber);
  bool written = false;
  // O_NONBLOCK: a FIFO under the name, with nobody reading it, fails to open
  // instead of holding the playback; a regular file is not affected.
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  ++state.gaps.tried;
  if (fd < 0) {
    const int error = errno;
    if (state.gaps.missing++ == 0) {
      state.gaps.firstMissing = name;
      state.gaps.firstError = error;
    }
    errno = error;  // for a caller that says more
  } else {
    BitmapFileWriter file(fd);
    try {
      file.Append(reinterpret_cast<const uint8_t*>(header.data()), header.size());
      const size_t padding = BitmapRowSize(rowBytes) - rowBytes;
      for (uint32_t row = h; row-- > 0;) {
        file.Append(pixels + static_cast<size_t>(row) * rowBytes, rowBytes);
        file.AppendZeros(padding);
      }
      file.Finish();
    } catch (const BitmapWriteError& error) {
      throw BitmapWriteError(error, file.RemoveUnfinished(name));
    }
    written = true;
  }
  // Unsigned arithmetic: the number wraps instead of overflowing.
  state.RecordFrameNumber = static_cast<int32_t>(static_cast<uint32_t>(state.RecordFrameNumber) + 1u);
  return written;
}

}  // namespace

bool SaveFrameBitmap(RecordingState& state, const uint8_t* pixels, int32_t width, int32_t height,
                     const BasePalette& palette) {
  return SaveBitmap(state, "SaveFrameBitmap", pixels, width, height, &palette);
}

bool SaveTrueColourFrameBitmap(RecordingState& state, const uint8_t* bgr, int32_t width, int32_t height) {
  return SaveBitmap(state, "SaveTrueColourFrameBitmap", bgr, width, height, nullptr);
}

}  // namespace kt
