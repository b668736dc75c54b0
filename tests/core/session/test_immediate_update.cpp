// The active test brought forward by a change of a local address or of the default route.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "Eventually.h"
#include "SessionFixture.h"
#include "lines/TBaseLine.h"

namespace kelbrin::session::test {
namespace {

class ImmediateUpdateTest : public SessionFixture {
 protected:
  // The auto-logon and the IP update workers.
  static constexpr std::size_t kParked = 2;
  static constexpr auto kTestPace = 40s;

  void SetUp() override {
    SessionFixture::SetUp();
    watchAddresses = [this](std::function<void()> onChange) -> std::shared_ptr<void> {
      ++watchesStarted;
      changed = std::move(onChange);
      auto handle = std::make_shared<int>(0);
      watchHandle = handle;
      return handle;
    };
  }

  // Logged in, the first active test and the list fetch behind, both workers parked.
  void LoginDemo() {
    Start();
    ClickLogin("demo01", "demo-pass");
    ASSERT_TRUE(AwaitRequests("ActiveTestReq", 1));
    clock.Advance(pace.serviceListDelay);
    ASSERT_TRUE(RunUntil([&] { return controller->ServiceList() != nullptr; }));
    ASSERT_TRUE(clock.WaitForWaiters(kParked));
    loop.ProcessPending();
  }
  // Reports a change while the worker waits for its next test, and returns once it waits for
  // the test to go out at `testAt`.
  void ChangeAndAwaitTestAt(runtime::TimePoint testAt) {
    changed();
    ASSERT_TRUE(clock.WaitForDeadline(testAt));
  }
  // Waits until the worker has sent test number `count` and parked for the full pace again.
  void AwaitTestThenPace(int count) {
    ASSERT_TRUE(AwaitRequests("ActiveTestReq", count));
    ASSERT_TRUE(clock.WaitForDeadline(clock.Now() + kTestPace));
    loop.ProcessPending();
  }
  int Tests() const { return Requests("ActiveTestReq"); }

  int watchesStarted = 0;
  std::atomic<int> lineChecks{0};  // the held line's checks, where a test holds one
  std::function<void()> changed;
  std::weak_ptr<int> watchHandle;
};

TEST_F(ImmediateUpdateTest, AChangeBringsTheNextTestForwardAndThePaceStays) {
  LoginDemo();
  Control("userip?ip=198.51.100.20");
  ChangeAndAwaitTestAt(clock.Now() + pace.addressChangeSettle);
  AdvanceAndSettle(pace.addressChangeSettle - 1ms, kParked);
  EXPECT_EQ(Tests(), 1);
  clock.Advance(1ms);
  AwaitTestThenPace(2);
  EXPECT_EQ(presenter.Count("popup", "Hint", "IP updates successfully：198.51.100.20"), 1);

  AdvanceAndSettle(kTestPace - 1ms, kParked);
  EXPECT_EQ(Tests(), 2);
  clock.Advance(1ms);
  AwaitTestThenPace(3);
}

// A flapping link: changes keep coming, yet extra tests keep the spacing, and the changes that
// come while one waits ride on its test.
TEST_F(ImmediateUpdateTest, AFlappingLinkCostsAtMostOneTestPerSpacing) {
  LoginDemo();
  ChangeAndAwaitTestAt(clock.Now() + pace.addressChangeSettle);
  clock.Advance(pace.addressChangeSettle);
  AwaitTestThenPace(2);
  for (int round = 1; round <= 3; ++round) {
    ChangeAndAwaitTestAt(clock.Now() + pace.addressChangeSpacing);
    clock.Advance(pace.addressChangeSpacing / 2);
    changed();
    changed();
    clock.Advance(pace.addressChangeSpacing / 2);
    AwaitTestThenPace(2 + round);
  }
  EXPECT_EQ(Tests(), 5);
}

TEST_F(ImmediateUpdateTest, NoTestWhileLoggedOut) {
  LoginDemo();
  controller->BtnLogonClick();
  ASSERT_EQ(controller->Mark(), 0);
  ASSERT_TRUE(clock.WaitForWaiters(kParked));
  changed();
  for (int step = 0; step < 3; ++step) AdvanceAndSettle(pace.addressChangeSpacing, kParked);
  EXPECT_EQ(Tests(), 1);
}

// The watch runs with the root whatever the setting, since the line's state and the reminders
// follow it; the setting turned off, a change brings no test forward.
TEST_F(ImmediateUpdateTest, TheWatchRunsWithTheRootAndTheSettingTurnsItsTestsOff) {
  Start();
  EXPECT_EQ(watchesStarted, 1);
  EXPECT_FALSE(watchHandle.expired());
  root.reset();
  EXPECT_TRUE(watchHandle.expired());

  backend.values.insert_or_assign("ImmediateUpdate", std::string("0"));
  LoginDemo();
  EXPECT_EQ(watchesStarted, 2);
  changed();
  for (int step = 0; step < 3; ++step) AdvanceAndSettle(pace.addressChangeSpacing, kParked);
  EXPECT_EQ(Tests(), 1);
}

// Told by the watch, the line's state reaches its observer at once, with the clock standing
// still: no timer polls it.
TEST_F(ImmediateUpdateTest, AChangeRefreshesTheLineStateWithoutAPoll) {
  Start();
  int refreshed = 0;
  root->SetLineObserver([&] { ++refreshed; });
  loop.ProcessPending();
  EXPECT_EQ(refreshed, 0);
  changed();
  loop.ProcessPending();
  EXPECT_EQ(refreshed, 1);
  // The old poll's first tick and several of its intervals go by without a refresh.
  AdvanceAndSettle(pace.lineStateFirst + 4 * pace.lineStateInterval, 0);
  EXPECT_EQ(refreshed, 1);
}

// A kept LAN line whose checks are counted and that is always up.
class CheckedLine final : public lines::TBaseLine {
 public:
  CheckedLine(const lines::LineEnvironment& environment, std::atomic<int>& checks)
      : TBaseLine(environment), checks_(checks) {}
  int Connect() override { return 0; }
  int Disconnect() override { return 0; }
  std::string GetIpAddress() override { return {}; }
  bool GetActive() override {
    ++checks_;
    return true;
  }
  void SetActive(bool) override {}
  std::string Describe() override { return "ClassName: TLanLine"; }
  bool Authenticate() override { return true; }
  bool KeepAliveActs() const override { return true; }

 private:
  std::atomic<int>& checks_;
};

// The watch also tells the held line: a kept line that was up is checked at once, with the clock
// standing still, instead of one keep-alive interval later.
TEST_F(ImmediateUpdateTest, AChangeHasTheKeptLineCheckedAtOnce) {
  backend.values.insert_or_assign("InternalLineType", std::string("3"));
  backend.values.insert_or_assign("LineName", std::string("probe"));
  backend.values.insert_or_assign("AutoConn", std::string("1"));
  registerLineKinds = [this](lines::TLineFactory& factory) {
    factory.RegisterClass("TLanLine", [this](const lines::LineEnvironment& environment) {
      return std::make_unique<CheckedLine>(environment, lineChecks);
    });
  };
  Start();
  ASSERT_TRUE(clock.WaitForDeadline(clock.Now() + pace.lineKeepInterval));
  clock.Advance(pace.lineKeepInterval);
  ASSERT_TRUE(kelbrin::test::Eventually([&] { return lineChecks == 1; }));
  ASSERT_TRUE(clock.WaitForDeadline(clock.Now() + pace.lineKeepInterval));

  changed();
  loop.ProcessPending();  // the line hears of it on the controller's thread
  EXPECT_TRUE(kelbrin::test::Eventually([&] { return lineChecks == 2; }));
}

}  // namespace
}  // namespace kelbrin::session::test
