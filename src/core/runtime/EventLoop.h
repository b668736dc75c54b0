#pragma once

#include <cstdint>
#include <functional>

#include "runtime/Clock.h"

namespace kelbrin::runtime {

using Task = std::function<void()>;
using TimerId = std::uint64_t;

// The seam between the controller and whatever runs its thread: the core's own loop in service
// mode and tests (CoreEventLoop.h), a Qt adapter in desktop mode. Everything posted or fired
// runs on the loop's one thread, in the order it was posted.
class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Thread-safe. Queues `task` to run on the loop's thread after the tasks posted before it.
  virtual void Post(Task task) = 0;

  // Loop thread only. Fires `onTick` first after `firstDelay`, then every `interval`.
  virtual TimerId StartTimer(Duration firstDelay, Duration interval, Task onTick) = 0;

  // Loop thread only. The new interval applies from the next tick on; a handler may call it
  // for its own timer.
  virtual void SetTimerInterval(TimerId id, Duration interval) = 0;

  // Loop thread only. A stopped timer never fires again, even when it was already due.
  virtual void StopTimer(TimerId id) = 0;

  virtual const Clock& clock() const = 0;
  TimePoint Now() const { return clock().Now(); }

  // True on the loop's own thread; used to assert thread ownership.
  virtual bool IsLoopThread() const = 0;
};

}  // namespace kelbrin::runtime
