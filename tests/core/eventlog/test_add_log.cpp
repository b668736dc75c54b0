#include <gtest/gtest.h>

#include <string>

#include "eventlog/EventLog.h"
#include "runtime/ManualClock.h"

namespace kelbrin::eventlog {
namespace {

using namespace std::chrono_literals;

class AddLogTest : public ::testing::Test {
 protected:
  runtime::ManualClock clock;
  bool noWanIpChecked = true;
  EventLog log{clock, [this] { return noWanIpChecked; }};
};

TEST_F(AddLogTest, StoresKindTextAndWallTimeAtTheTop) {
  log.AddLog(kLogWarning, "first");
  clock.Advance(5000ms);
  log.AddLog(7, "second");
  ASSERT_EQ(log.List().size(), 2u);
  const TLogRec& newest = log.List().at(0);
  EXPECT_EQ(newest.kind, 7);
  EXPECT_EQ(newest.text, "second");
  EXPECT_EQ(newest.time, runtime::ManualClock::kDefaultWall + 5s);
  EXPECT_EQ(log.List().at(1).kind, kLogWarning);
  EXPECT_EQ(log.List().at(1).time, runtime::ManualClock::kDefaultWall);
}

struct FilterCase {
  const char* text;
  bool noWanIpChecked;
  bool logged;
};

class AddLogFilterTest : public AddLogTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(AddLogFilterTest, DropsExactlyWhatTheRulesSay) {
  noWanIpChecked = GetParam().noWanIpChecked;
  log.AddLog(kLogTip, GetParam().text);
  EXPECT_EQ(log.List().size(), GetParam().logged ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AddLogFilterTest,
    ::testing::Values(
        // The connection notice as a whole, in any ASCII case, whatever the reminder box says.
        FilterCase{"Connection fails！", true, false},
        FilterCase{"CONNECTION FAILS！", true, false},
        FilterCase{"connection fAILS！", false, false},
        FilterCase{"Connection fails！ retrying", true, true},
        FilterCase{" Connection fails！", true, true}, FilterCase{"Connection fails!", true, true},
        FilterCase{"Connection fail！", true, true},
        // A missing public address, only while kind 8's "windows" box is checked.
        FilterCase{"没有公网IP", false, false}, FilterCase{"服务器没有公网IP,请检查", false, false},
        FilterCase{"服务器没有公网IP,请检查", true, true}, FilterCase{"没有公网ip", false, true},
        FilterCase{"No WAN IP in this host, if  need to establish a website, please map the ports.",
                   false, true},
        FilterCase{"", false, true}));

TEST_F(AddLogTest, ClearEmptiesTheLogAndNamesTheNotice) {
  log.AddLog(kLogTip, "a");
  log.Clear();
  EXPECT_TRUE(log.List().empty());
  EXPECT_EQ(kClearLogNotice, "Clear log！");
}

}  // namespace
}  // namespace kelbrin::eventlog
