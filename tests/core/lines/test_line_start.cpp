#include <gtest/gtest.h>

#include "lines/LineStateTimer.h"
#include "lines/StoredLineStart.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/ManualClock.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;

TEST(StoredLineStart, StartsTheStoredLineWhenAutoConnectIsOnAndAConnectionIsNamed) {
  struct Case {
    bool autoConn;
    const char* lineName;
    int lineType;
    bool started;
    const char* held;  // Describe of the held line, or nullptr
  };
  const Case cases[] = {
      {false, "eth0", 3, true, nullptr},
      {true, "", 3, true, nullptr},
      {true, "eth0", 3, true, "ClassName: TLanLine"},
      {true, "eth0", 2, true, "ClassName: TCableModelLine"},
      {true, "eth0", 7, false, nullptr},  // the popup and the network page
      {true, "eth0", -2, false, nullptr},
      {true, "ADSL", 0, false, nullptr},  // no dial-up kind in this build of the factory
  };
  runtime::ManualClock clock;
  LineEnvironment environment;
  environment.clock = &clock;
  const TLineFactory factory(environment);
  for (const Case& c : cases) {
    TActiveLine holder(factory);
    settings::TParamInfo stored;
    stored.AutoConn = c.autoConn;
    stored.LineName = c.lineName;
    stored.InternalLineType = c.lineType;
    stored.LineUserName = "user";
    stored.LineUserPwd = "pw";
    EXPECT_EQ(StartStoredLine(holder, stored), c.started) << c.lineType << ' ' << c.lineName;
    if (c.held == nullptr) {
      EXPECT_EQ(holder.Line(), nullptr) << c.lineType << ' ' << c.lineName;
      continue;
    }
    ASSERT_NE(holder.Line(), nullptr) << c.lineType;
    EXPECT_EQ(holder.Line()->Describe(), c.held);
    EXPECT_EQ(holder.Line()->EntryName(), "eth0");
    EXPECT_EQ(holder.Line()->UserName(), "user");
    EXPECT_EQ(holder.Line()->Password(), "pw");
    EXPECT_TRUE(holder.Line()->KeepActive());
  }
  EXPECT_STREQ(kUnusualConnectionText,
               "unusual connection,\xEF\xBC\x81please check the network setting\xEF\xBC\x81");
}

TEST(LineStateTimer, RefreshesReachabilityAfter20SecondsThenEvery8) {
  runtime::ManualClock clock;
  runtime::CoreEventLoop loop(clock);
  std::vector<bool> ticks;
  {
    const LineStateTimer timer(loop, runtime::Pace{},
                               [&](bool reachable) { ticks.push_back(reachable); });
    clock.Advance(19999ms);
    loop.ProcessPending();
    EXPECT_TRUE(ticks.empty());
    clock.Advance(1ms);
    loop.ProcessPending();
    EXPECT_EQ(ticks, std::vector<bool>{true});
    clock.Advance(7999ms);
    loop.ProcessPending();
    EXPECT_EQ(ticks.size(), 1u);
    clock.Advance(1ms);
    loop.ProcessPending();
    EXPECT_EQ(ticks.size(), 2u);
  }
  clock.Advance(8000ms);  // a destroyed timer never fires again
  loop.ProcessPending();
  EXPECT_EQ(ticks.size(), 2u);
}

}  // namespace
}  // namespace kelbrin::lines
