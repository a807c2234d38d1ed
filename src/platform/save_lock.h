// One save at a time for a file that several processes replace: an
// exclusive lock on a lock file beside it, held from reading the file
// through the rename of its replacement. The lock file goes when the lock
// is let go, so an options folder holds no more files than before; one
// left by a process that died is taken over by the next save.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace kt {

class SaveLock {
 public:
  // Waits up to `patience` for the lock on `lockFile`, created when missing.
  SaveLock(std::filesystem::path lockFile, std::chrono::milliseconds patience);
  ~SaveLock();  // removes the lock file, then lets the lock go
  SaveLock(const SaveLock&) = delete;
  SaveLock& operator=(const SaveLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  // Why the lock is not held, for the user.
  const std::string& Failure() const { return failure_; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  std::string failure_;
};

}  // namespace kt
