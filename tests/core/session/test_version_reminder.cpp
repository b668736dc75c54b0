// The outdated-version reminder of the service: its journal (the log and the presenter's lines)
// hears of it once per run, not on every pass of the remind timer.
#include <gtest/gtest.h>

#include <string>

#include "SessionFixture.h"

namespace kelbrin::session::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kOutdated = "You have the outdate version, please update it";

class VersionReminderTest : public SessionFixture {
 protected:
  // The log entries and the popups that tell it.
  int OutdatedTold() const {
    int count = presenter.Count("popup", "", kOutdated);
    const auto& list = root->EventLog().List();
    for (std::size_t row = 0; row < list.size(); ++row) {
      if (list.at(row).text == kOutdated) ++count;
    }
    return count;
  }

  // Moves the clock in steps of the timers' granularity, running what fell due.
  void Run(runtime::Duration elapsed) {
    for (auto step = 0s; step < elapsed; step += 5s) {
      clock.Advance(5s);
      loop.ProcessPending();
    }
  }
};

TEST_F(VersionReminderTest, TheServiceLogsAnOutdatedVersionOncePerRun) {
  Control("version?value=6.9");
  Start();
  ClickLogin("demo01", "demo-pass");
  // The version is asked on the remind timer's second tick; the answer comes from a worker.
  Run(135s);
  ASSERT_TRUE(RunUntil([this] { return OutdatedTold() == 2; }));  // logged, and the popup
  // Four more version passes (every 150 s) find it outdated still.
  Run(150s * 4);
  EXPECT_EQ(OutdatedTold(), 2);
  EXPECT_EQ(Requests("GetVersionReq"), 1);
}

}  // namespace
}  // namespace kelbrin::session::test
