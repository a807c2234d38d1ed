// Work on frames spread over threads, its results taken back in the order
// the frames came: an encoder compresses several frames at once and still
// writes the same bytes as one thread would. At most `window` frames are in
// flight, so memory stays a few frames whatever the animation's length.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kt {

class FrameJobs {
 public:
  // `threads` 1 or less runs every job at once on the caller's thread.
  explicit FrameJobs(int threads);
  // Waits for the jobs already running; those not started are dropped.
  ~FrameJobs();
  FrameJobs(const FrameJobs&) = delete;
  FrameJobs& operator=(const FrameJobs&) = delete;

  // `work` runs on some thread; `deliver` runs later on the caller's thread,
  // after the deliveries of every job submitted before. An exception thrown
  // by `work` is raised again by the call that would deliver it.
  void Submit(std::function<void()> work, std::function<void()> deliver);
  // Delivers everything submitted.
  void Drain();

 private:
  struct Job {
    std::function<void()> work;
    std::function<void()> deliver;
    std::exception_ptr error;
    bool done = false;
  };
  void Run();
  void DeliverFront();

  size_t window_;
  std::mutex mutex_;
  std::condition_variable wake_;   // a job waits or the pool stops
  std::condition_variable ready_;  // a job finished
  std::deque<std::shared_ptr<Job>> jobs_;
  size_t next_ = 0;  // first job of jobs_ not started
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// The threads a conversion uses when not told: one for each core.
int DefaultConvertThreads();

}  // namespace kt
