#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace kelbrin::runtime {

using Duration = std::chrono::milliseconds;
// Time on the runtime's clock: monotonic, counted from the clock's own epoch.
using TimePoint = std::chrono::time_point<std::chrono::steady_clock, Duration>;

// The one source of time for the core. The real clock follows std::chrono::steady_clock; the
// manual clock (ManualClock.h) only moves when a test advances it, so every interval of the
// system can be tested in microseconds.
class Clock {
 public:
  virtual ~Clock() = default;

  virtual TimePoint Now() const = 0;

  // Wall-clock date and time for "today" and for log stamps; follows Now() on a manual clock.
  virtual std::chrono::system_clock::time_point WallNow() const = 0;

  // Blocks until `wake()` is true or `deadline` has come on this clock, whichever is first.
  // `lock` must hold the mutex that guards what `wake` reads and that notifiers of `cv` take.
  // Returns the final value of `wake()`.
  virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                         TimePoint deadline, const std::function<bool()>& wake) = 0;
};

// The process's real clock.
Clock& RealClock();

}  // namespace kelbrin::runtime
