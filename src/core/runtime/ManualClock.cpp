#include "runtime/ManualClock.h"

#include <algorithm>
#include <vector>

namespace kelbrin::runtime {

ManualClock::ManualClock(TimePoint start, std::chrono::system_clock::time_point wall)
    : now_(start), wall_(wall) {}

TimePoint ManualClock::Now() const {
  std::lock_guard guard(mutex_);
  return now_;
}

std::chrono::system_clock::time_point ManualClock::WallNow() const {
  std::lock_guard guard(mutex_);
  return wall_;
}

// Lock order: a waiter's own mutex before mutex_. `advance` never holds mutex_ while it takes a
// waiter's mutex, and a waiter leaves the list only with its own mutex released, after every
// advance that was about to notify it is done with it.
bool ManualClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            TimePoint deadline, const std::function<bool()>& wake) {
  std::list<Waiter>::iterator self;
  {
    std::lock_guard guard(mutex_);
    self = waiters_.insert(waiters_.end(), Waiter{lock.mutex(), &cv, deadline});
  }
  waitersChanged_.notify_all();

  while (!wake() && Now() < deadline) cv.wait(lock);

  lock.unlock();
  {
    std::unique_lock guard(mutex_);
    waitersChanged_.wait(guard, [&] { return self->notifying == 0; });
    waiters_.erase(self);
  }
  waitersChanged_.notify_all();
  lock.lock();
  return wake();
}

void ManualClock::Advance(Duration step) {
  std::vector<Waiter*> toWake;
  {
    std::lock_guard guard(mutex_);
    now_ += step;
    wall_ += step;
    for (Waiter& waiter : waiters_) {
      ++waiter.notifying;
      toWake.push_back(&waiter);
    }
  }
  for (Waiter* waiter : toWake) {
    // Taking the waiter's mutex means it is either inside cv.wait or has not yet read the time.
    { std::lock_guard waiterGuard(*waiter->mutex); }
    waiter->cv->notify_all();
    std::lock_guard guard(mutex_);
    --waiter->notifying;
  }
  waitersChanged_.notify_all();
}

void ManualClock::SetWallTime(std::chrono::system_clock::time_point wall) {
  std::lock_guard guard(mutex_);
  wall_ = wall;
}

std::size_t ManualClock::PendingWaitersLocked() const {
  return static_cast<std::size_t>(std::count_if(
      waiters_.begin(), waiters_.end(), [&](const Waiter& w) { return w.deadline > now_; }));
}

std::size_t ManualClock::WaiterCount() const {
  std::lock_guard guard(mutex_);
  return PendingWaitersLocked();
}

bool ManualClock::WaitForWaiters(std::size_t n,
                                 std::chrono::steady_clock::duration realGuard) const {
  std::unique_lock guard(mutex_);
  return waitersChanged_.wait_for(guard, realGuard, [&] { return PendingWaitersLocked() >= n; });
}

bool ManualClock::WaitForDeadline(TimePoint deadline,
                                  std::chrono::steady_clock::duration realGuard) const {
  std::unique_lock guard(mutex_);
  return waitersChanged_.wait_for(guard, realGuard, [&] {
    return std::any_of(waiters_.begin(), waiters_.end(),
                       [&](const Waiter& w) { return w.deadline == deadline; });
  });
}

}  // namespace kelbrin::runtime
