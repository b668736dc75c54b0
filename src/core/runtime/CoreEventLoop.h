#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "runtime/EventLoop.h"

namespace kelbrin::runtime {

// The core's own event loop: the controller's thread in service mode and in tests. Time comes
// from the given clock, so with a ManualClock timers fire exactly when a test advances it.
//
// Order: posted tasks run in post order; timers due at the same moment fire in deadline order,
// then in start order. A timer fires at most once per due moment (missed ticks are not caught
// up); setTimerInterval restarts the period from now, which inside the timer's own handler
// means the new interval counts from this tick.
class CoreEventLoop final : public EventLoop {
 public:
  // The constructing thread owns the loop until Run(), RunUntil() or ProcessPending() is called
  // on another one.
  explicit CoreEventLoop(Clock& clock);

  void Post(Task task) override;
  TimerId StartTimer(Duration firstDelay, Duration interval, Task onTick) override;
  void SetTimerInterval(TimerId id, Duration interval) override;
  void StopTimer(TimerId id) override;
  const Clock& clock() const override { return clock_; }
  bool IsLoopThread() const override;

  // Runs on the calling thread until Quit(). A Quit() that came before Run() ends it at once.
  void Run();
  // Thread-safe. Ends Run() after the task or tick being handled.
  void Quit();

  // Tests: runs like Run() until `done()` holds (checked after every task and tick), Quit() is
  // called, or `realGuard` of real time has passed. Returns the final value of `done()`.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::steady_clock::duration realGuard = std::chrono::seconds(10));
  // Tests: runs every task queued and every timer due now, without blocking.
  void ProcessPending();

  // Before the loop runs: with nothing to do, the loop calls `wait` with the time until its next
  // timer (none: no timer) instead of sleeping on its clock, and Post() and Quit() call `wake`.
  // So the service's loop also serves descriptors (the bus) without a thread or a tick of its
  // own. For a loop on the real clock.
  void SetIdleWait(std::function<void(std::optional<Duration>)> wait, std::function<void()> wake);

 private:
  struct Timer {
    TimePoint deadline;
    Duration interval;
    Task onTick;
  };

  void BindToCallingThread();
  // Runs the queued tasks and the due timers once; true when anything ran. Stops early when
  // `stop()` holds after a task or tick.
  bool dispatch(const std::function<bool()>& stop);
  bool FireDueTimers(const std::function<bool()>& stop);
  TimePoint NextDeadline() const;
  // Blocks until a task is posted, Quit() is called, `extraWake()` holds or a timer is due.
  void WaitForWork(const std::function<bool()>& extraWake);
  // After a change under mutex_ that a waiting loop must see.
  void wakeWaiter();

  Clock& clock_;
  std::atomic<std::thread::id> owner_;

  std::mutex mutex_;
  std::condition_variable wakeUp_;
  std::deque<Task> tasks_;
  bool quitRequested_ = false;

  // Loop thread only.
  std::map<TimerId, Timer> timers_;
  TimerId nextTimerId_ = 1;
  std::function<void(std::optional<Duration>)> idleWait_;
  std::function<void()> idleWake_;
};

}  // namespace kelbrin::runtime
