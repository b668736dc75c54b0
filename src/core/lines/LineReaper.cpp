#include "lines/LineReaper.h"

#include <memory>

namespace kelbrin::lines {

LineReaper::~LineReaper() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  added_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void LineReaper::Free(LinePtr line) {
  if (!line) return;
  line->SetKeepActive(false);
  line->Abandon();
  // std::function needs a copyable callable: the line travels in a shared holder.
  auto held = std::make_shared<LinePtr>(std::move(line));
  Add([held] { held->reset(); });
}

void LineReaper::AfterFrees(std::function<void()> then) { Add(std::move(then)); }

void LineReaper::Add(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  added_.notify_one();
}

void LineReaper::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    added_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
    if (jobs_.empty()) return;  // ending, and nothing left
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job();
    lock.lock();
  }
}

}  // namespace kelbrin::lines
