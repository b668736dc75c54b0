#include <gtest/gtest.h>

#include "runtime/ManualClock.h"

namespace kelbrin::runtime {
namespace {

using namespace std::chrono_literals;

TEST(ManualClockTest, AdvanceMovesMonotonicAndWallTimeTogether) {
  const auto today = std::chrono::sys_days{std::chrono::year{2019} / 12 / 24};
  ManualClock clock(TimePoint(5s), today);
  EXPECT_EQ(clock.now(), TimePoint(5s));
  EXPECT_EQ(clock.wallNow(), today);

  clock.advance(36h);
  EXPECT_EQ(clock.now(), TimePoint(5s + 36h));
  EXPECT_EQ(clock.wallNow(), today + 36h);

  clock.setWallTime(today);
  EXPECT_EQ(clock.wallNow(), today);
  EXPECT_EQ(clock.now(), TimePoint(5s + 36h)) << "setting the wall time moved the monotonic time";
}

TEST(ManualClockTest, WaitPastItsDeadlineReturnsTheWakeConditionWithoutBlocking) {
  ManualClock clock;
  std::mutex mutex;
  std::condition_variable cv;
  std::unique_lock lock(mutex);
  EXPECT_FALSE(clock.waitUntil(lock, cv, clock.now(), [] { return false; }));
  EXPECT_TRUE(clock.waitUntil(lock, cv, clock.now() + 1h, [] { return true; }));
  EXPECT_TRUE(lock.owns_lock());
  EXPECT_EQ(clock.waiterCount(), 0u);
}

TEST(ManualClockTest, WaitForWaitersTimesOutWhenNobodyWaits) {
  ManualClock clock;
  EXPECT_FALSE(clock.waitForWaiters(1, 1ms));
}

}  // namespace
}  // namespace kelbrin::runtime
