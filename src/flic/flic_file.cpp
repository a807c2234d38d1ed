#include "flic/flic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/errors.h"
#include "platform/path_lookup.h"
#include "platform/regular_file.h"

namespace kt {

OrWhyNot<FlicFile> FlicFile::Open(const std::string& path) {
  const std::string found = FindPathIgnoringCase(path);
  // A FIFO or device under a flic's name must neither block the open nor be read.
  const RegularFileOpen opened = OpenRegularFile(found);
  const int fd = opened.fd;
  std::string reason;
  struct stat info {};
  if (fd < 0) {
    reason =
        opened.notRegular ? "it is " + FileKindText(opened.type) + ", not a flic file" : std::strerror(opened.error);
  } else if (::fstat(fd, &info) != 0) {
    reason = std::strerror(errno);
    ::close(fd);
  }
  if (!reason.empty()) return WhyNot{reason};
  FlicFile file;
  file.fd_ = fd;
  file.length_ = static_cast<uint64_t>(info.st_size);
  file.path_ = found;
  return file;
}

FlicFile FlicFile::FromBytes(std::vector<uint8_t> bytes) {
  FlicFile file;
  file.inMemory_ = true;
  file.length_ = bytes.size();
  file.memory_ = std::move(bytes);
  return file;
}

namespace {

// The window's size bounds the memory an open flic holds besides its frames;
// a read of more than half of it goes straight to its destination.
constexpr uint64_t kWindowSize = uint64_t{64} << 10;

}  // namespace

FlicFile::FlicFile(FlicFile&& other) noexcept { *this = std::move(other); }

FlicFile& FlicFile::operator=(FlicFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    memory_ = std::move(other.memory_);
    inMemory_ = std::exchange(other.inMemory_, false);
    offset_ = other.offset_;
    length_ = other.length_;
    path_ = std::move(other.path_);
    window_ = std::move(other.window_);
    windowStart_ = other.windowStart_;
    windowSize_ = std::exchange(other.windowSize_, 0);
  }
  return *this;
}

FlicFile::~FlicFile() { Close(); }

void FlicFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  window_.reset();
  windowSize_ = 0;
}

uint64_t FlicFile::ReadUpTo(void* destination, uint64_t count) {
  auto* out = static_cast<uint8_t*>(destination);
  if (inMemory_) {
    const uint64_t n = std::min(count, Remaining());
    if (n > 0) std::memcpy(out, memory_.data() + offset_, n);
    offset_ += n;
    return n;
  }
  if (fd_ < 0) throw InOutError(IoErrorText(EBADF));
  uint64_t done = TakeFromWindow(out, count);
  if (done < count && count - done <= kWindowSize / 2 && FillWindow()) done += TakeFromWindow(out + done, count - done);
  if (done < count) {
    // A large read goes straight to its destination, as does one whose
    // window could not be read.
    uint64_t got = 0;
    try {
      ReadFromDisk(out + done, count - done, got);
    } catch (...) {
      offset_ += got;
      throw;
    }
    offset_ += got;
    done += got;
  }
  return done;
}

uint64_t FlicFile::TakeFromWindow(uint8_t* out, uint64_t count) {
  if (offset_ < windowStart_ || offset_ - windowStart_ >= windowSize_) return 0;
  const uint64_t from = offset_ - windowStart_;
  const uint64_t n = std::min(count, windowSize_ - from);
  std::memcpy(out, window_.get() + from, n);
  offset_ += n;
  return n;
}

// Reads the window at the running offset. False when the read failed: the
// caller then reads exactly what it asked for, so a failing part of the file
// that the window reached beyond the request is not blamed on it.
bool FlicFile::FillWindow() {
  if (!window_) window_ = std::make_unique_for_overwrite<uint8_t[]>(kWindowSize);
  windowStart_ = offset_;
  windowSize_ = 0;
  uint64_t got = 0;
  try {
    ReadFromDisk(window_.get(), kWindowSize, got);
  } catch (const InOutError&) {
    return false;
  }
  windowSize_ = got;
  return true;
}

// Reads from the running offset, which it leaves as it is, counting in
// `done` what arrived also when a read fails.
void FlicFile::ReadFromDisk(uint8_t* out, uint64_t count, uint64_t& done) {
  while (done < count) {
    const ssize_t got = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset_ + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw InOutError(IoErrorText(errno));
    }
    if (got == 0) break;
    done += static_cast<uint64_t>(got);
  }
}

void FlicFile::Read(void* destination, uint64_t count) {
  // Checking the length first keeps a damaged size from costing a long read.
  if (count > Remaining()) throw InOutError(kReadBeyondEndText);
  if (ReadUpTo(destination, count) != count) throw InOutError(kReadBeyondEndText);
}

void FlicFile::Seek(uint64_t offset) { offset_ = offset; }

}  // namespace kt
