#include "runtime/WorkerWait.h"

namespace kelbrin::runtime {

void WorkerWait::requestStop() {
  {
    std::lock_guard guard(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
}

bool WorkerWait::stopRequested() const {
  std::lock_guard guard(mutex_);
  return stop_;
}

void WorkerWait::notifyChange() {
  // Taking the mutex orders the change before the waiter's next check: no lost wake-up.
  { std::lock_guard guard(mutex_); }
  cv_.notify_all();
}

WorkerWait::End WorkerWait::waitFor(Duration timeout, const std::function<bool()>& condition) {
  std::unique_lock lock(mutex_);
  const auto conditionHolds = [&] { return condition && condition(); };
  clock_.waitUntil(lock, cv_, clock_.now() + timeout, [&] { return stop_ || conditionHolds(); });
  if (stop_) return End::kStopped;
  return conditionHolds() ? End::kCondition : End::kTimeout;
}

}  // namespace kelbrin::runtime
