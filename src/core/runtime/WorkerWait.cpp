#include "runtime/WorkerWait.h"

namespace kelbrin::runtime {

void WorkerWait::RequestStop() {
  {
    std::lock_guard guard(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
}

bool WorkerWait::StopRequested() const {
  std::lock_guard guard(mutex_);
  return stop_;
}

void WorkerWait::NotifyChange() {
  // Taking the mutex orders the change before the waiter's next check: no lost wake-up.
  { std::lock_guard guard(mutex_); }
  cv_.notify_all();
}

WorkerWait::End WorkerWait::WaitFor(Duration timeout, const std::function<bool()>& condition) {
  std::unique_lock lock(mutex_);
  const auto conditionHolds = [&] { return condition && condition(); };
  clock_.WaitUntil(lock, cv_, clock_.Now() + timeout, [&] { return stop_ || conditionHolds(); });
  if (stop_) return End::Stopped;
  return conditionHolds() ? End::Condition : End::Timeout;
}

}  // namespace kelbrin::runtime
