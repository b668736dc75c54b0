#include <gtest/gtest.h>

#include "runtime/ManualClock.h"

namespace kelbrin::runtime {
namespace {

using namespace std::chrono_literals;

TEST(ManualClockTest, AdvanceMovesMonotonicAndWallTimeTogether) {
  const auto today = std::chrono::sys_days{std::chrono::year{2019} / 12 / 24};
  ManualClock clock(TimePoint(5s), today);
  EXPECT_EQ(clock.Now(), TimePoint(5s));
  EXPECT_EQ(clock.WallNow(), today);

  clock.Advance(36h);
  EXPECT_EQ(clock.Now(), TimePoint(5s + 36h));
  EXPECT_EQ(clock.WallNow(), today + 36h);

  clock.SetWallTime(today);
  EXPECT_EQ(clock.WallNow(), today);
  EXPECT_EQ(clock.Now(), TimePoint(5s + 36h)) << "setting the wall time moved the monotonic time";
}

TEST(ManualClockTest, WaitPastItsDeadlineReturnsTheWakeConditionWithoutBlocking) {
  ManualClock clock;
  std::mutex mutex;
  std::condition_variable cv;
  std::unique_lock lock(mutex);
  EXPECT_FALSE(clock.WaitUntil(lock, cv, clock.Now(), [] { return false; }));
  EXPECT_TRUE(clock.WaitUntil(lock, cv, clock.Now() + 1h, [] { return true; }));
  EXPECT_TRUE(lock.owns_lock());
  EXPECT_EQ(clock.WaiterCount(), 0u);
}

TEST(ManualClockTest, WaitForWaitersTimesOutWhenNobodyWaits) {
  ManualClock clock;
  EXPECT_FALSE(clock.WaitForWaiters(1, 1ms));
}

}  // namespace
}  // namespace kelbrin::runtime
