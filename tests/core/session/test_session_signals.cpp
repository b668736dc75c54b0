// Which session values wake the parked workers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "Eventually.h"
#include "runtime/ManualClock.h"
#include "session/SessionSignals.h"

namespace kelbrin::session {
namespace {

using namespace std::chrono_literals;
using kelbrin::test::Eventually;

// A worker parked until a stop, counting how often it was woken to check its condition.
class SessionSignalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    worker_ = std::thread([this] {
      signals_.WaitUntil([this] {
        ++checks_;
        return false;
      });
    });
    // The worker registers with the clock just before its first check.
    ASSERT_TRUE(clock_.WaitForWaiters(1));
    ASSERT_TRUE(Eventually([this] { return checks_ == 1; }));
  }
  void TearDown() override {
    signals_.RequestStop();
    worker_.join();
  }

  runtime::ManualClock clock_;
  SessionSignals signals_{clock_};
  std::atomic<int> checks_{0};
  std::thread worker_;
};

TEST_F(SessionSignalsTest, OnlyAChangedValueWakesTheParkedWorkers) {
  // From the start values: logged out, disarmed, unreachable, no manual login.
  const std::function<void()> unchanged[] = {
      [&] { signals_.SetMark(0); },
      [&] { signals_.SetAutoLogonArmed(false); },
      [&] { signals_.SetNetReachable(false); },
      [&] { signals_.SetManualLoginBusy(false); },
  };
  const std::function<void()> changed[] = {
      [&] { signals_.SetMark(1); },
      [&] { signals_.SetAutoLogonArmed(true); },
      [&] { signals_.SetNetReachable(true); },
      [&] { signals_.SetManualLoginBusy(true); },
      [&] { signals_.AddressChanged(); },
  };
  for (const auto& set : unchanged) set();
  // A wake-up would show within this real-time pause; none may come.
  std::this_thread::sleep_for(50ms);
  ASSERT_EQ(checks_, 1);

  int expected = 1;
  for (const auto& set : changed) {
    set();
    ++expected;
    ASSERT_TRUE(Eventually([&] { return checks_ == expected; }));
  }
}

TEST_F(SessionSignalsTest, ALogoutIsCountedOnlyWhenTheMarkWasSet) {
  signals_.SetMark(0);
  EXPECT_EQ(signals_.Logouts(), 0u);
  signals_.SetMark(1);
  signals_.SetMark(0);
  signals_.SetMark(0);
  EXPECT_EQ(signals_.Logouts(), 1u);
}

}  // namespace
}  // namespace kelbrin::session
