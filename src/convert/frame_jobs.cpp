#include "convert/frame_jobs.h"

#include <algorithm>

namespace kt {

FrameJobs::FrameJobs(int threads) : window_(static_cast<size_t>(std::max(threads, 1)) * 2) {
  for (int i = 0; i < threads && threads > 1; ++i) threads_.emplace_back([this] { Run(); });
}

FrameJobs::~FrameJobs() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void FrameJobs::Submit(std::function<void()> work, std::function<void()> deliver) {
  if (threads_.empty()) {
    work();
    deliver();
    return;
  }
  auto job = std::make_shared<Job>();
  job->work = std::move(work);
  job->deliver = std::move(deliver);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
  while (jobs_.size() > window_) DeliverFront();
}

void FrameJobs::Drain() {
  while (!jobs_.empty()) DeliverFront();
}

void FrameJobs::DeliverFront() {
  std::shared_ptr<Job> job;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return jobs_.front()->done; });
    job = std::move(jobs_.front());
    jobs_.pop_front();
    --next_;
  }
  if (job->error) std::rethrow_exception(job->error);
  job->deliver();
}

void FrameJobs::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || next_ < jobs_.size(); });
    if (stopping_) return;
    std::shared_ptr<Job> job = jobs_[next_++];
    lock.unlock();
    try {
      job->work();
    } catch (...) {
      job->error = std::current_exception();
    }
    lock.lock();
    job->done = true;
    ready_.notify_all();
  }
}

int DefaultConvertThreads() { return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 64); }

}  // namespace kt
