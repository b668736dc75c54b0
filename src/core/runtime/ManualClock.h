#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <list>
#include <mutex>

#include "runtime/Clock.h"

namespace kelbrin::runtime {

// A clock that only moves when a test advances it. Threads blocked in `waitUntil` are woken by
// every `advance`, without lost wake-ups, so timers and worker waits end deterministically.
class ManualClock final : public Clock {
 public:
  // 2026-01-01 00:00:00 UTC, a fixed "today" unless a test sets another.
  static constexpr std::chrono::system_clock::time_point kDefaultWall{
      std::chrono::seconds(1767225600)};

  explicit ManualClock(TimePoint start = TimePoint(std::chrono::hours(1)),
                       std::chrono::system_clock::time_point wall = kDefaultWall);

  TimePoint Now() const override;
  std::chrono::system_clock::time_point WallNow() const override;
  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                 TimePoint deadline, const std::function<bool()>& wake) override;

  // Moves both the monotonic and the wall time forward and wakes every waiter.
  void Advance(Duration step);
  // Sets the wall time ("today") without moving the monotonic time.
  void SetWallTime(std::chrono::system_clock::time_point wall);

  // Threads parked in `waitUntil` whose deadline still lies ahead.
  std::size_t WaiterCount() const;
  // Blocks (in real time, at most `realGuard`) until `WaiterCount() >= n`; false on time-out.
  // Lets a test make sure a worker sits in its wait before it advances the clock.
  bool WaitForWaiters(std::size_t n, std::chrono::steady_clock::duration realGuard =
                                         std::chrono::seconds(10)) const;
  // Blocks (in real time, at most `realGuard`) until a thread waits for exactly `deadline`;
  // false on time-out. Tells a new wait from one that has been woken but not yet left.
  bool WaitForDeadline(TimePoint deadline, std::chrono::steady_clock::duration realGuard =
                                               std::chrono::seconds(10)) const;

 private:
  struct Waiter {
    std::mutex* mutex;
    std::condition_variable* cv;
    TimePoint deadline;
    int notifying = 0;  // advances that are about to notify this waiter
  };

  std::size_t PendingWaitersLocked() const;

  mutable std::mutex mutex_;
  mutable std::condition_variable waitersChanged_;
  TimePoint now_;
  std::chrono::system_clock::time_point wall_;
  std::list<Waiter> waiters_;
};

}  // namespace kelbrin::runtime
