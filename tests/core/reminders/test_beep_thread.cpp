#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "reminders/TBeepThread.h"

namespace kelbrin::reminders {
namespace {

using namespace std::chrono_literals;
// Bounds waits for the beep thread so a fault fails the test instead of hanging it.
constexpr auto kGuard = 10s;

// A tone output that records each tone and, while its gate is closed, holds the tone.
class FakeTones {
 public:
  explicit FakeTones(bool gateOpen = true) : gateOpen_(gateOpen) {}

  ToneFunction function() {
    return [this](unsigned hz, unsigned ms) {
      std::unique_lock lock(mutex_);
      played_.push_back({hz, ms});
      changed_.notify_all();
      changed_.wait(lock, [this] { return gateOpen_; });
    };
  }
  void openGate() {
    std::lock_guard lock(mutex_);
    gateOpen_ = true;
    changed_.notify_all();
  }
  bool waitForCount(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kGuard, [&] { return played_.size() >= count; });
  }
  std::vector<std::pair<unsigned, unsigned>> played() {
    std::lock_guard lock(mutex_);
    return played_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool gateOpen_;
  std::vector<std::pair<unsigned, unsigned>> played_;
};

std::vector<std::pair<unsigned, unsigned>> pattern(int repetitions) {
  std::vector<std::pair<unsigned, unsigned>> tones;
  for (int i = 0; i < repetitions; ++i) {
    for (const BeepTone& t : kBeepPattern) tones.emplace_back(t.frequencyHz, t.durationMs);
  }
  return tones;
}

bool waitUntilIdle(const BeepPlayer& player) {
  const auto deadline = std::chrono::steady_clock::now() + kGuard;
  while (player.Playing()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST(TBeepThread, PlaysThePatternOncePerRepetitionInOrder) {
  for (int repetitions : {1, 3, 6}) {
    FakeTones tones;
    {
      TBeepThread beep(tones.function(), repetitions);
      ASSERT_TRUE(tones.waitForCount(3 * static_cast<std::size_t>(repetitions)));
    }  // joined here
    EXPECT_EQ(tones.played(), pattern(repetitions)) << repetitions << " repetitions";
  }
  EXPECT_EQ(pattern(1),
            (std::vector<std::pair<unsigned, unsigned>>{{800, 500}, {800, 200}, {1000, 300}}));
}

TEST(TBeepThread, StopRequestEndsTheBeepAfterTheCurrentTone) {
  FakeTones tones(/*gateOpen=*/false);
  {
    TBeepThread beep(tones.function(), 6);
    ASSERT_TRUE(tones.waitForCount(1));
    beep.RequestStop();
    tones.openGate();
  }
  EXPECT_EQ(tones.played().size(), 1u);
}

TEST(BeepPlayer, RequestWhileABeepPlaysIsIgnored) {
  FakeTones tones(/*gateOpen=*/false);
  BeepPlayer player(tones.function());
  EXPECT_TRUE(player.StartBeep(6));
  ASSERT_TRUE(tones.waitForCount(1));
  EXPECT_TRUE(player.Playing());
  EXPECT_FALSE(player.StartBeep(3));
  tones.openGate();
  ASSERT_TRUE(tones.waitForCount(18));
  ASSERT_TRUE(waitUntilIdle(player));
  EXPECT_EQ(tones.played(), pattern(6));
}

TEST(BeepPlayer, NextRequestAfterTheBeepEndedPlaysAgain) {
  FakeTones tones;
  BeepPlayer player(tones.function());
  EXPECT_TRUE(player.StartBeep(1));
  ASSERT_TRUE(tones.waitForCount(3));
  ASSERT_TRUE(waitUntilIdle(player));
  EXPECT_TRUE(player.StartBeep(1));
  ASSERT_TRUE(tones.waitForCount(6));
  ASSERT_TRUE(waitUntilIdle(player));
  EXPECT_EQ(tones.played(), pattern(2));
}

}  // namespace
}  // namespace kelbrin::reminders
