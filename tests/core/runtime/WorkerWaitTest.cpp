#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
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
    end = wait.WaitFor(40s, [&] { return loggedOut.load(); });
    ended = true;
  });

  ASSERT_TRUE(clock.WaitForWaiters(1));
  clock.Advance(39s);
  ASSERT_TRUE(clock.WaitForWaiters(1));
  EXPECT_FALSE(ended) << "the wait ended before its reason";

  GetParam().act(clock, wait, loggedOut);
  worker.join();
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(*end, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, WorkerWaitTest,
    ::testing::Values(WaitCase{"TimeRunsOut",
                               [](ManualClock& c, WorkerWait&, auto&) { c.Advance(1s); },
                               WorkerWait::End::Timeout},
                      WaitCase{"Stop", [](ManualClock&, WorkerWait& w, auto&) { w.RequestStop(); },
                               WorkerWait::End::Stopped},
                      WaitCase{"ConditionNotified",
                               [](ManualClock&, WorkerWait& w, std::atomic<bool>& loggedOut) {
                                 loggedOut = true;
                                 w.NotifyChange();
                               },
                               WorkerWait::End::Condition}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(WorkerWaitStopTest, WaitAfterAStopEndsAtOnceAndTheStopWinsOverTheCondition) {
  ManualClock clock;
  WorkerWait wait(clock);
  EXPECT_EQ(wait.WaitFor(1h, [] { return true; }), WorkerWait::End::Condition);
  wait.RequestStop();
  EXPECT_TRUE(wait.StopRequested());
  EXPECT_EQ(wait.WaitFor(1h), WorkerWait::End::Stopped);
  EXPECT_EQ(wait.WaitFor(1h, [] { return true; }), WorkerWait::End::Stopped);
}

// The real clock, telling when a wait has begun. The waiter enters waitUntil holding the
// wait's mutex, and a stop needs that mutex, so a stop issued after `waitBegun` is ready can
// only land while the waiter blocks inside the wait, never before it.
class WaitWatchingClock final : public Clock {
 public:
  TimePoint Now() const override { return RealClock().Now(); }
  std::chrono::system_clock::time_point WallNow() const override { return RealClock().WallNow(); }
  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                 TimePoint deadline, const std::function<bool()>& wake) override {
    if (!begun_.exchange(true)) waitBegun_.set_value();
    return RealClock().WaitUntil(lock, cv, deadline, wake);
  }

  std::future<void> waitBegun() { return waitBegun_.get_future(); }

 private:
  std::atomic<bool> begun_{false};
  std::promise<void> waitBegun_;
};

TEST(WorkerWaitRealClockTest, StopEndsALongWaitOnTheRealClock) {
  constexpr auto kHangGuard = 10s;
  // Shared with the waiter, which outlives the test if the stop never wakes it.
  struct Shared {
    WaitWatchingClock clock;
    WorkerWait wait{clock};
    std::promise<WorkerWait::End> end;
  };
  auto shared = std::make_shared<Shared>();
  std::future<void> waitBegun = shared->clock.waitBegun();
  std::future<WorkerWait::End> end = shared->end.get_future();
  std::thread waiter(
      [shared] { shared->end.set_value(shared->wait.WaitFor(std::chrono::hours(24 * 365))); });

  const bool begun = waitBegun.wait_for(kHangGuard) == std::future_status::ready;
  if (begun) shared->wait.RequestStop();
  const bool ended = begun && end.wait_for(kHangGuard) == std::future_status::ready;
  if (ended) {
    waiter.join();
  } else {
    waiter.detach();  // it still sits in its year-long wait
  }
  ASSERT_TRUE(begun) << "the wait never began";
  ASSERT_TRUE(ended) << "the stop did not wake the wait";
  EXPECT_EQ(end.get(), WorkerWait::End::Stopped);
}

}  // namespace
}  // namespace kelbrin::runtime
