#include "platform/save_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace kt {

namespace {

// The lock is taken on the file the name leads to now: one that another
// save removed while this one waited no longer guards anything.
bool StillNamed(int fd, const std::filesystem::path& path) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

SaveLock::SaveLock(std::filesystem::path lockFile, std::chrono::milliseconds patience) : path_(std::move(lockFile)) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  // Saves take milliseconds; short naps keep the wait short without
  // spinning, and a wait that outlasts the patience belongs to a process
  // that hangs while holding the lock.
  auto nap = std::chrono::microseconds(200);
  for (;;) {
    // O_NONBLOCK: a FIFO planted under the name must not make the save wait.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) {
      failure_ = std::strerror(errno);
      return;
    }
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (StillNamed(fd, path_)) {
          fd_ = fd;
          return;
        }
        break;
      }
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) {
        failure_ = std::strerror(errno);
        ::close(fd);
        return;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        failure_ = "another process has kept " + path_.string() + " locked for " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(patience).count()) + " s";
        ::close(fd);
        return;
      }
      std::this_thread::sleep_for(nap);
      nap = std::min(nap * 2, std::chrono::microseconds(5000));
    }
    ::close(fd);
  }
}

SaveLock::~SaveLock() {
  if (fd_ < 0) return;
  // Removed while still held: a save that opened it meanwhile sees it gone
  // once it gets the lock, and starts over on a new one.
  ::unlink(path_.c_str());
  ::close(fd_);
}

}  // namespace kt
