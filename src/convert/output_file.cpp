#include "convert/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "convert/convert.h"

namespace kt {
namespace {

constexpr size_t kBufferSize = 256 * 1024;

std::string SystemText(int error) { return std::strerror(error); }

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)) {
  const size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  // Hidden and beside the target: the rename stays on one file system, and
  // a file manager does not show the half-made file.
  std::string pattern = folder + "." + name + ".part-XXXXXX";
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) Fail(SystemText(errno));
  temporary_ = pattern;
  buffer_.reserve(kBufferSize);
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!renamed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

bool OutputFile::Write(const void* bytes, size_t count) {
  if (error_ != 0) return false;
  const auto* at = static_cast<const uint8_t*>(bytes);
  while (count > 0) {
    if (buffer_.size() == kBufferSize) Flush();
    if (error_ != 0) return false;
    const size_t take = std::min(count, kBufferSize - buffer_.size());
    buffer_.insert(buffer_.end(), at, at + take);
    at += take;
    count -= take;
    position_ += take;
    size_ = std::max(size_, position_);
  }
  return true;
}

void OutputFile::Flush() {
  const uint8_t* at = buffer_.data();
  size_t left = buffer_.size();
  while (left > 0 && error_ == 0) {
    const ssize_t written = ::write(fd_, at, left);
    if (written < 0) {
      if (errno != EINTR) error_ = errno;
      continue;
    }
    // A write that takes nothing is a device with no room left.
    if (written == 0) error_ = ENOSPC;
    at += written;
    left -= static_cast<size_t>(written);
  }
  buffer_.clear();
}

int64_t OutputFile::Seek(int64_t offset, int whence) {
  Flush();
  if (error_ != 0) return -1;
  const off_t at = ::lseek(fd_, offset, whence);
  if (at < 0) {
    error_ = errno;
    return -1;
  }
  position_ = static_cast<uint64_t>(at);
  return at;
}

void OutputFile::Check() const {
  if (error_ != 0) Fail(SystemText(error_));
}

void OutputFile::Fail(const std::string& reason) const {
  throw ConvertError("cannot write " + target_ + ": " + reason);
}

void OutputFile::CloseForRename() {
  if (fd_ < 0) return;
  Flush();
  Check();
  // The temporary file was made private; the result gets the usual rights.
  if (::fchmod(fd_, 0666 & ~CurrentUmask()) != 0 || ::fsync(fd_) != 0) error_ = errno;
  // libavformat writes through a file of its own under the same name.
  struct stat status {};
  if (error_ == 0 && ::fstat(fd_, &status) == 0) size_ = static_cast<uint64_t>(status.st_size);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && error_ == 0) error_ = errno;
  Check();
}

void OutputFile::Rename() {
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) Fail(SystemText(errno));
  renamed_ = true;
}

void OutputFile::Commit() {
  CloseForRename();
  Rename();
}

}  // namespace kt
