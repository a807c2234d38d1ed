// One save at a time for a file that several processes replace: an
// exclusive lock on a lock file beside it, held from reading the file
// through the rename of its replacement. The lock file goes when the lock
// is let go, so an options folder holds no more files than before; one
// left by a process that died is taken over by the next save.
#pragma once

#include <chrono>
#include <filesystem>
#include <utility>

#include "base/or_why_not.h"

namespace kt {

class SaveLock {
 public:
  // Waits up to `patience` for the lock on `lockFile`, created when missing;
  // when it is not had, the reason is for the user.
  static OrWhyNot<SaveLock> Take(std::filesystem::path lockFile, std::chrono::milliseconds patience);
  ~SaveLock();  // removes the lock file, then lets the lock go
  SaveLock(SaveLock&& other) noexcept;
  SaveLock& operator=(SaveLock&&) = delete;
  SaveLock(const SaveLock&) = delete;
  SaveLock& operator=(const SaveLock&) = delete;

 private:
  SaveLock(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}

  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace kt
