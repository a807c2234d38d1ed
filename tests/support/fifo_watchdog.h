// A FIFO for tests of code that must not wait on one. Opening a FIFO for
// reading waits until a writer comes; should the code under test do that,
// the watchdog comes as the writer after a while (as the reader for code
// that opens it to write), so the test fails on TimedOut() instead of
// hanging the whole run.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace kt::test {

class FifoWatchdog {
 public:
  explicit FifoWatchdog(std::filesystem::path path) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0644) != 0) throw std::runtime_error("mkfifo failed: " + path_.string());
    thread_ = std::thread([this] {
      std::unique_lock<std::mutex> lock(mutex_);
      // Generous: this guards against a hang, it does not time anything.
      if (released_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; })) return;
      timedOut_ = true;
      // A reader lets a waiting writer go on, and stays until the end so
      // that its writes land in the pipe; a writer that opens and closes at
      // once hands a waiting reader an end of file.
      reader_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      const int writer = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (writer >= 0) ::close(writer);
    });
  }
  ~FifoWatchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    released_.notify_all();
    thread_.join();
    if (reader_ >= 0) ::close(reader_);
  }
  FifoWatchdog(const FifoWatchdog&) = delete;
  FifoWatchdog& operator=(const FifoWatchdog&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Whether the code under test was still waiting when the watchdog came.
  bool TimedOut() {
    std::lock_guard<std::mutex> lock(mutex_);
    return timedOut_;
  }
  // Still a FIFO: nothing replaced it.
  bool StillAFifo() const {
    struct stat info {};
    return ::lstat(path_.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
  }

 private:
  std::filesystem::path path_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool done_ = false;
  bool timedOut_ = false;
  int reader_ = -1;
  std::thread thread_;
};

}  // namespace kt::test
