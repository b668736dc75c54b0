#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

#include "runtime/Clock.h"

namespace kelbrin::runtime {

// The interruptible wait of a worker thread, shared with the controller that owns the worker.
// A worker waits "up to D on the runtime clock, or until stopped, or until a condition holds";
// the controller stops it or, after changing what a condition reads (e.g. the session mark),
// calls NotifyChange() so the worker re-checks at once. Never a bare sleep.
class WorkerWait {
 public:
  enum class End { Timeout, Stopped, Condition };

  explicit WorkerWait(Clock& clock) : clock_(clock) {}

  // Any thread. Every current and later wait ends at once with kStopped.
  void RequestStop();
  bool StopRequested() const;

  // Any thread. Wakes the waiter to re-evaluate its condition.
  void NotifyChange();

  // Worker thread. Waits until `timeout` has passed on the clock, a stop is requested, or
  // `condition()` holds (checked first, then on every wake-up). A stop wins over the condition.
  End WaitFor(Duration timeout, const std::function<bool()>& condition = {});

  Clock& clock() const { return clock_; }

 private:
  Clock& clock_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool stop_ = false;
};

}  // namespace kelbrin::runtime
