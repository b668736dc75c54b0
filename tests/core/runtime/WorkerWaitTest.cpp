#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "runtime/ManualClock.h"
#include "runtime/WorkerWait.h"

namespace kelbrin::runtime {
namespace {

using namespace std::chrono_literals;

struct WaitCase {
  const char* name;
  // What the controller does once the worker sits in its 40 s wait (after 39 s have passed).
  std::function<void(ManualClock&, WorkerWait&, std::atomic<bool>& loggedOut)> act;
  WorkerWait::End expected;
};

class WorkerWaitTest : public ::testing::TestWithParam<WaitCase> {};

TEST_P(WorkerWaitTest, WaitEndsOnlyForItsReason) {
  ManualClock clock;
  WorkerWait wait(clock);
  std::atomic<bool> loggedOut{false};
  std::atomic<bool> ended{false};
  std::optional<WorkerWait::End> end;
  std::thread worker([&] {
    end = wait.waitFor(40s, [&] { return loggedOut.load(); });
    ended = true;
  });

  ASSERT_TRUE(clock.waitForWaiters(1));
  clock.advance(39s);
  ASSERT_TRUE(clock.waitForWaiters(1));
  EXPECT_FALSE(ended) << "the wait ended before its reason";

  GetParam().act(clock, wait, loggedOut);
  worker.join();
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(*end, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, WorkerWaitTest,
    ::testing::Values(WaitCase{"TimeRunsOut",
                               [](ManualClock& c, WorkerWait&, auto&) { c.advance(1s); },
                               WorkerWait::End::kTimeout},
                      WaitCase{"Stop", [](ManualClock&, WorkerWait& w, auto&) { w.requestStop(); },
                               WorkerWait::End::kStopped},
                      WaitCase{"ConditionNotified",
                               [](ManualClock&, WorkerWait& w, std::atomic<bool>& loggedOut) {
                                 loggedOut = true;
                                 w.notifyChange();
                               },
                               WorkerWait::End::kCondition}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(WorkerWaitStopTest, WaitAfterAStopEndsAtOnceAndTheStopWinsOverTheCondition) {
  ManualClock clock;
  WorkerWait wait(clock);
  EXPECT_EQ(wait.waitFor(1h, [] { return true; }), WorkerWait::End::kCondition);
  wait.requestStop();
  EXPECT_TRUE(wait.stopRequested());
  EXPECT_EQ(wait.waitFor(1h), WorkerWait::End::kStopped);
  EXPECT_EQ(wait.waitFor(1h, [] { return true; }), WorkerWait::End::kStopped);
}

TEST(WorkerWaitRealClockTest, StopEndsALongWaitOnTheRealClock) {
  WorkerWait wait(realClock());
  std::thread stopper([&] { wait.requestStop(); });
  EXPECT_EQ(wait.waitFor(std::chrono::hours(24 * 365)), WorkerWait::End::kStopped);
  stopper.join();
}

}  // namespace
}  // namespace kelbrin::runtime
