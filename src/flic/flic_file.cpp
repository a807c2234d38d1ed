#include "flic/flic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  }
  return *this;
}

FlicFile::~FlicFile() { Close(); }

void FlicFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
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
  uint64_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset_ + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      offset_ += done;
      throw InOutError(IoErrorText(errno));
    }
    if (got == 0) break;
    done += static_cast<uint64_t>(got);
  }
  offset_ += done;
  return done;
}

void FlicFile::Read(void* destination, uint64_t count) {
  // Checking the length first keeps a damaged size from costing a long read.
  if (count > Remaining()) throw InOutError(kReadBeyondEndText);
  if (ReadUpTo(destination, count) != count) throw InOutError(kReadBeyondEndText);
}

void FlicFile::Seek(uint64_t offset) { offset_ = offset; }

}  // namespace kt
