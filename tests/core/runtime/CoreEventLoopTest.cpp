#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/CoreEventLoop.h"
#include "runtime/ManualClock.h"

namespace kelbrin::runtime {
namespace {

using namespace std::chrono_literals;

class CoreEventLoopTest : public ::testing::Test {
 protected:
  // Advances the clock second by second up to `until` (counted from the start), letting the
  // loop fire what is due after each step.
  void stepTo(Duration until) {
    while (clock.Now() - start < until) {
      clock.Advance(1s);
      loop.ProcessPending();
    }
  }
  std::pair<long, std::string> tick(std::string name) const {
    return {static_cast<long>(
                std::chrono::duration_cast<std::chrono::seconds>(clock.Now() - start).count()),
            std::move(name)};
  }

  ManualClock clock;
  const TimePoint start = clock.Now();
  CoreEventLoop loop{clock};
  std::vector<std::pair<long, std::string>> ticks;
};

TEST_F(CoreEventLoopTest, TasksRunInPostOrderFromEveryThread) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 200;
  std::vector<std::vector<int>> seen(kThreads);
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) loop.Post([&seen, t, i] { seen[t].push_back(i); });
    });
  }
  int total = 0;
  const bool allRan = loop.RunUntil(
      [&] {
        total = 0;
        for (const auto& s : seen) total += static_cast<int>(s.size());
        return total == kThreads * kPerThread;
      },
      10s);
  for (auto& poster : posters) poster.join();
  ASSERT_TRUE(allRan) << total;
  std::vector<int> expected(kPerThread);
  for (int i = 0; i < kPerThread; ++i) expected[i] = i;
  for (const auto& s : seen) EXPECT_EQ(s, expected);
}

TEST_F(CoreEventLoopTest, TasksPostedByTasksRunAfterThoseAlreadyQueued) {
  std::string order;
  loop.Post([&] {
    order += 'a';
    loop.Post([&] { order += 'c'; });
  });
  loop.Post([&] { order += 'b'; });
  loop.ProcessPending();
  EXPECT_EQ(order, "abc");
}

TEST_F(CoreEventLoopTest, TimersFireAtTheirPaceInDeadlineThenStartOrder) {
  loop.StartTimer(20s, 8s, [&] { ticks.push_back(tick("line")); });
  loop.StartTimer(60s, 10s, [&] { ticks.push_back(tick("alert")); });
  stepTo(80s);
  const std::vector<std::pair<long, std::string>> expected = {
      {20, "line"},  {28, "line"}, {36, "line"},  {44, "line"}, {52, "line"}, {60, "line"},
      {60, "alert"}, {68, "line"}, {70, "alert"}, {76, "line"}, {80, "alert"}};
  EXPECT_EQ(ticks, expected);
}

TEST_F(CoreEventLoopTest, TimersDueTogetherAfterOneJumpFireEarliestDeadlineFirstAndOnce) {
  loop.StartTimer(30s, 5s, [&] { ticks.push_back(tick("late")); });
  loop.StartTimer(10s, 5s, [&] { ticks.push_back(tick("early1")); });
  loop.StartTimer(10s, 5s, [&] { ticks.push_back(tick("early2")); });
  clock.Advance(30s);
  loop.ProcessPending();
  const std::vector<std::pair<long, std::string>> expected = {
      {30, "early1"}, {30, "early2"}, {30, "late"}};
  EXPECT_EQ(ticks, expected);
}

TEST_F(CoreEventLoopTest, HandlerChangingItsOwnIntervalGetsTheNewPaceFromTheNextTick) {
  TimerId id = 0;
  id = loop.StartTimer(60s, 60s, [&] {
    ticks.push_back(tick("remind"));
    loop.SetTimerInterval(id, 75s);
  });
  stepTo(220s);
  const std::vector<std::pair<long, std::string>> expected = {
      {60, "remind"}, {135, "remind"}, {210, "remind"}};
  EXPECT_EQ(ticks, expected);
}

TEST_F(CoreEventLoopTest, StoppedTimerNeverFiresEvenWhenAlreadyDue) {
  TimerId second = 0;
  loop.StartTimer(10s, 10s, [&] {
    ticks.push_back(tick("first"));
    loop.StopTimer(second);
  });
  second = loop.StartTimer(10s, 10s, [&] { ticks.push_back(tick("second")); });
  const TimerId third = loop.StartTimer(10s, 10s, [&] { ticks.push_back(tick("third")); });
  clock.Advance(10s);
  loop.Post([&] { loop.StopTimer(third); });
  loop.ProcessPending();
  stepTo(30s);
  const std::vector<std::pair<long, std::string>> expected = {
      {10, "first"}, {20, "first"}, {30, "first"}};
  EXPECT_EQ(ticks, expected);
}

TEST_F(CoreEventLoopTest, LoopBlockedOnTheClockWakesWhenTheClockReachesATimer) {
  loop.StartTimer(10s, 10s, [&] { ticks.push_back(tick("tick")); });
  std::thread advancer([&] {
    ASSERT_TRUE(clock.WaitForWaiters(1));
    clock.Advance(10s);
  });
  EXPECT_TRUE(loop.RunUntil([&] { return !ticks.empty(); }, 10s));
  advancer.join();
  EXPECT_EQ(ticks, (std::vector<std::pair<long, std::string>>{{10, "tick"}}));
}

TEST_F(CoreEventLoopTest, QuitBeforeRunEndsItAtOnceAndLeavesLaterTasksQueued) {
  std::string order;
  loop.Post([&] {
    order += 'a';
    loop.Quit();
  });
  loop.Post([&] { order += 'b'; });
  loop.Run();
  EXPECT_EQ(order, "a");
  loop.Quit();
  loop.Run();
  EXPECT_EQ(order, "a");
  loop.ProcessPending();
  EXPECT_EQ(order, "ab");
}

TEST_F(CoreEventLoopTest, BlockedLoopRunsATaskPostedFromAnotherThreadOnItsOwnThread) {
  std::atomic<bool> ranOnLoopThread{false};
  std::thread poster([&] {
    ASSERT_TRUE(clock.WaitForWaiters(1));
    loop.Post([&] { ranOnLoopThread = loop.IsLoopThread(); });
  });
  EXPECT_TRUE(loop.RunUntil([&] { return ranOnLoopThread.load(); }, 10s));
  poster.join();
}

TEST_F(CoreEventLoopTest, RunUntilGivesUpAfterItsRealTimeGuard) {
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 10ms));
}

TEST_F(CoreEventLoopTest, OwnerThreadIsTheOneThatRunsTheLoop) {
  EXPECT_TRUE(loop.IsLoopThread());
  std::atomic<bool> onOtherThread{true};
  std::thread other([&] { onOtherThread = loop.IsLoopThread(); });
  other.join();
  EXPECT_FALSE(onOtherThread);
}

// An idle wait in place of the clock's: it is told how long until the next timer (none without
// one), and Post() and quit() wake it.
class IdleWaitLoopTest : public CoreEventLoopTest {
 protected:
  IdleWaitLoopTest() {
    loop.SetIdleWait(
        [this](std::optional<Duration> timeout) {
          std::unique_lock lock(mutex);
          asked.push_back(timeout);
          woken.notify_all();
          // Sleeps as a poll() would: until woken, or the time is up (the clock moves for it).
          if (timeout) {
            lock.unlock();
            clock.Advance(*timeout);
            return;
          }
          woken.wait(lock, [this] { return wakes > 0; });
          --wakes;
        },
        [this] {
          std::lock_guard lock(mutex);
          ++wakes;
          woken.notify_all();
        });
  }

  std::mutex mutex;
  std::condition_variable woken;
  int wakes = 0;
  std::vector<std::optional<Duration>> asked;
};

TEST_F(IdleWaitLoopTest, WaitsUntilTheNextTimerAndWakesForAPostFromAnotherThread) {
  TimerId timer = 0;
  timer = loop.StartTimer(1500ms, 1h, [&] {
    ticks.push_back(tick("timer"));
    loop.StopTimer(timer);
  });
  bool posted = false;
  std::thread poster;
  const bool done = loop.RunUntil([&] {
    if (!ticks.empty() && !poster.joinable()) {
      // Once the loop sits in its wait with nothing due, only the post can end it.
      poster = std::thread([&] {
        std::unique_lock lock(mutex);
        woken.wait(lock, [&] { return asked.size() == 2; });
        lock.unlock();
        loop.Post([&] { posted = true; });
      });
    }
    return posted;
  });
  poster.join();
  EXPECT_TRUE(done);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.front(), std::optional<Duration>(1500ms));
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked.back(), std::nullopt);
  EXPECT_EQ(ticks, (std::vector<std::pair<long, std::string>>{{1, "timer"}}));
}

TEST_F(IdleWaitLoopTest, WithoutTimersTheWaitHasNoLimitAndQuitEndsIt) {
  std::thread quitter([&] {
    std::unique_lock lock(mutex);
    woken.wait(lock, [&] { return !asked.empty(); });
    lock.unlock();
    loop.Quit();
  });
  loop.Run();
  quitter.join();
  EXPECT_EQ(asked.front(), std::nullopt);
}

}  // namespace
}  // namespace kelbrin::runtime
