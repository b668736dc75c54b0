#include <algorithm>
#include <chrono>

#include "runtime/Clock.h"

namespace kelbrin::runtime {

namespace {

class SteadyWallClock final : public Clock {
 public:
  TimePoint Now() const override {
    return std::chrono::time_point_cast<Duration>(std::chrono::steady_clock::now());
  }

  std::chrono::system_clock::time_point WallNow() const override {
    return std::chrono::system_clock::now();
  }

  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                 TimePoint deadline, const std::function<bool()>& wake) override {
    // Waits are cut into slices of at most a day: a far deadline (TimePoint::max() for "no
    // timer") would overflow steady_clock's nanoseconds.
    constexpr Duration kLongestSlice = std::chrono::hours(24);
    while (!wake()) {
      const TimePoint current = Now();
      if (current >= deadline) return false;
      cv.wait_for(lock, std::min<Duration>(deadline - current, kLongestSlice));
    }
    return true;
  }
};

}  // namespace

Clock& RealClock() {
  static SteadyWallClock clock;
  return clock;
}

}  // namespace kelbrin::runtime
