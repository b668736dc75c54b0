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
    while (clock.now() - start < until) {
      clock.advance(1s);
      loop.processPending();
    }
  }
  std::pair<long, std::string> tick(std::string name) const {
    return {static_cast<long>(
                std::chrono::duration_cast<std::chrono::seconds>(clock.now() - start).count()),
            std::move(name)};
  }

  ManualClock clock;
  const TimePoint start = clock.now();
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
      for (int i = 0; i < kPerThread; ++i) loop.post([&seen, t, i] { seen[t].push_back(i); });
    });
  }
  int total = 0;
  const bool allRan = loop.runUntil(
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
  loop.post([&] {
    order += 'a';
    loop.post([&] { order += 'c'; });
  });
  loop.post([&] { order += 'b'; });
  loop.processPending();
  EXPECT_EQ(order, "abc");
}

TEST_F(CoreEventLoopTest, TimersFireAtTheirPaceInDeadlineThenStartOrder) {
  loop.startTimer(20s, 8s, [&] { ticks.push_back(tick("line")); });
  loop.startTimer(60s, 10s, [&] { ticks.push_back(tick("alert")); });
  stepTo(80s);
  const std::vector<std::pair<long, std::string>> expected = {
      {20, "line"},  {28, "line"}, {36, "line"},  {44, "line"}, {52, "line"}, {60, "line"},
      {60, "alert"}, {68, "line"}, {70, "alert"}, {76, "line"}, {80, "alert"}};
  EXPECT_EQ(ticks, expected);
}

TEST_F(CoreEventLoopTest, TimersDueTogetherAfterOneJumpFireEarliestDeadlineFirstAndOnce) {
  loop.startTimer(30s, 5s, [&] { ticks.push_back(tick("late")); });
  loop.startTimer(10s, 5s, [&] { ticks.push_back(tick("early1")); });
  loop.startTimer(10s, 5s, [&] { ticks.push_back(tick("early2")); });
  clock.advance(30s);
  loop.processPending();
  const std::vector<std::pair<long, std::string>> expected = {
      {30, "early1"}, {30, "early2"}, {30, "late"}};
  EXPECT_EQ(ticks, expected);
}

TEST_F(CoreEventLoopTest, HandlerChangingItsOwnIntervalGetsTheNewPaceFromTheNextTick) {
  TimerId id = 0;
  id = loop.startTimer(60s, 60s, [&] {
    ticks.push_back(tick("remind"));
    loop.setTimerInterval(id, 75s);
  });
  stepTo(220s);
  const std::vector<std::pair<long, std::string>> expected = {
      {60, "remind"}, {135, "remind"}, {210, "remind"}};
  EXPECT_EQ(ticks, expected);
}

TEST_F(CoreEventLoopTest, StoppedTimerNeverFiresEvenWhenAlreadyDue) {
  TimerId second = 0;
  loop.startTimer(10s, 10s, [&] {
    ticks.push_back(tick("first"));
    loop.stopTimer(second);
  });
  second = loop.startTimer(10s, 10s, [&] { ticks.push_back(tick("second")); });
  const TimerId third = loop.startTimer(10s, 10s, [&] { ticks.push_back(tick("third")); });
  clock.advance(10s);
  loop.post([&] { loop.stopTimer(third); });
  loop.processPending();
  stepTo(30s);
  const std::vector<std::pair<long, std::string>> expected = {
      {10, "first"}, {20, "first"}, {30, "first"}};
  EXPECT_EQ(ticks, expected);
}

TEST_F(CoreEventLoopTest, LoopBlockedOnTheClockWakesWhenTheClockReachesATimer) {
  loop.startTimer(10s, 10s, [&] { ticks.push_back(tick("tick")); });
  std::thread advancer([&] {
    ASSERT_TRUE(clock.waitForWaiters(1));
    clock.advance(10s);
  });
  EXPECT_TRUE(loop.runUntil([&] { return !ticks.empty(); }, 10s));
  advancer.join();
  EXPECT_EQ(ticks, (std::vector<std::pair<long, std::string>>{{10, "tick"}}));
}

TEST_F(CoreEventLoopTest, QuitBeforeRunEndsItAtOnceAndLeavesLaterTasksQueued) {
  std::string order;
  loop.post([&] {
    order += 'a';
    loop.quit();
  });
  loop.post([&] { order += 'b'; });
  loop.run();
  EXPECT_EQ(order, "a");
  loop.quit();
  loop.run();
  EXPECT_EQ(order, "a");
  loop.processPending();
  EXPECT_EQ(order, "ab");
}

TEST_F(CoreEventLoopTest, BlockedLoopRunsATaskPostedFromAnotherThreadOnItsOwnThread) {
  std::atomic<bool> ranOnLoopThread{false};
  std::thread poster([&] {
    ASSERT_TRUE(clock.waitForWaiters(1));
    loop.post([&] { ranOnLoopThread = loop.isLoopThread(); });
  });
  EXPECT_TRUE(loop.runUntil([&] { return ranOnLoopThread.load(); }, 10s));
  poster.join();
}

TEST_F(CoreEventLoopTest, RunUntilGivesUpAfterItsRealTimeGuard) {
  EXPECT_FALSE(loop.runUntil([] { return false; }, 10ms));
}

TEST_F(CoreEventLoopTest, OwnerThreadIsTheOneThatRunsTheLoop) {
  EXPECT_TRUE(loop.isLoopThread());
  std::atomic<bool> onOtherThread{true};
  std::thread other([&] { onOtherThread = loop.isLoopThread(); });
  other.join();
  EXPECT_FALSE(onOtherThread);
}

// An idle wait in place of the clock's: it is told how long until the next timer (none without
// one), and post() and quit() wake it.
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
            clock.advance(*timeout);
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
  timer = loop.startTimer(1500ms, 1h, [&] {
    ticks.push_back(tick("timer"));
    loop.stopTimer(timer);
  });
  bool posted = false;
  std::thread poster;
  const bool done = loop.runUntil([&] {
    if (!ticks.empty() && !poster.joinable()) {
      // Once the loop sits in its wait with nothing due, only the post can end it.
      poster = std::thread([&] {
        std::unique_lock lock(mutex);
        woken.wait(lock, [&] { return asked.size() == 2; });
        lock.unlock();
        loop.post([&] { posted = true; });
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
    loop.quit();
  });
  loop.run();
  quitter.join();
  EXPECT_EQ(asked.front(), std::nullopt);
}

}  // namespace
}  // namespace kelbrin::runtime
