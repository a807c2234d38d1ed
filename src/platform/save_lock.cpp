#include "platform/save_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

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

OrWhyNot<SaveLock> SaveLock::Take(std::filesystem::path lockFile, std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  // Saves take milliseconds; short naps keep the wait short without
  // spinning, and a wait that outlasts the patience belongs to a process
  // that hangs while holding the lock.
  auto nap = std::chrono::microseconds(200);
  for (;;) {
    // O_NONBLOCK: a FIFO planted under the name must not make the save wait.
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return WhyNot{std::strerror(errno)};
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (StillNamed(fd, lockFile)) return SaveLock(std::move(lockFile), fd);
        break;
      }
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) {
        const int error = errno;
        ::close(fd);
        return WhyNot{std::strerror(error)};
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        ::close(fd);
        return WhyNot{"another process has kept " + lockFile.string() + " locked for " +
                      std::to_string(std::chrono::duration_cast<std::chrono::seconds>(patience).count()) + " s"};
      }
      std::this_thread::sleep_for(nap);
      nap = std::min(nap * 2, std::chrono::microseconds(5000));
    }
    ::close(fd);
  }
}

SaveLock::SaveLock(SaveLock&& other) noexcept : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

SaveLock::~SaveLock() {
  if (fd_ < 0) return;
  // Removed while still held: a save that opened it meanwhile sees it gone
  // once it gets the lock, and starts over on a new one.
  ::unlink(path_.c_str());
  ::close(fd_);
}

}  // namespace kt
