#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <map>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "eventlog/EventLog.h"
#include "reminders/EventDispatcher.h"
#include "reminders/ReminderChecks.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/ManualClock.h"

namespace kelbrin::reminders {
namespace {

using namespace std::chrono_literals;
using std::chrono::year_month_day;

std::string Ymd(std::chrono::sys_days day) {
  const year_month_day date(day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

protocol::TDomainInfoSchema Domain(const std::string& name, const std::string& status) {
  protocol::TDomainInfoSchema domain;
  domain.DomainName = name;
  domain.SuffixName = ".example.net";
  domain.DomainStatus = status;
  return domain;
}

// The checks on a manual clock, with every source a plain value the test sets. Raised reminders
// are written down as "KIND/SELECTOR/ARGUMENT".
class ReminderChecksTest : public ::testing::Test {
 public:
  ReminderChecksTest() {
    sources.IsOnline = [this] { return online; };
    sources.UserProfile = [this] { return profile; };
    sources.ServiceList = [this] { return list; };
    sources.PaymentNoticeVisible = [this] { return paymentNoticeVisible; };
    sources.Today = [this] {
      return year_month_day(std::chrono::floor<std::chrono::days>(clock.WallNow()));
    };
    sources.UntilNextDay = [this] {
      const auto wall = clock.WallNow();
      return std::chrono::duration_cast<runtime::Duration>(
          std::chrono::floor<std::chrono::days>(wall) + std::chrono::days(1) - wall);
    };
    sources.NetReachable = [this] { return netReachable; };
    sources.IsLanOnly = [this] { return lanOnly; };
    sources.QueryLatestVersion = [this](std::function<void(const std::string&)> done) {
      ++versionQueries;
      if (answerAtOnce) {
        done(serviceVersion);
      } else {
        pendingVersionAnswer = std::move(done);
      }
    };
    sources.NotifyEvent = [this](int kind, const std::string&, int selector,
                                 const std::string& argument) {
      raised.push_back(std::to_string(kind) + "/" + std::to_string(selector) + "/" + argument);
    };
  }

  std::chrono::sys_days Today() const {
    return std::chrono::floor<std::chrono::days>(clock.WallNow());
  }

  void SetProfile(const std::string& payType, const std::string& serviceEndDate) {
    auto reply = std::make_shared<protocol::TQueryUserProfileResp>();
    reply->Profile.PayType = payType;
    reply->Profile.ServiceEndDate = serviceEndDate;
    profile = reply;
  }

  void SetDomains(std::vector<protocol::TDomainInfoSchema> domains) {
    auto reply = std::make_shared<protocol::TGetServiceListResp>();
    reply->DomainInfos = std::move(domains);
    list = reply;
  }

  // Moves the clock by `elapsed` in steps of one second, running whatever fell due.
  void Run(runtime::Duration elapsed) {
    for (auto step = 0ms; step < elapsed; step += 1000ms) {
      clock.Advance(1000ms);
      loop.ProcessPending();
    }
  }

  // What the next `elapsed` raised.
  std::vector<std::string> RaisedDuring(runtime::Duration elapsed) {
    raised.clear();
    Run(elapsed);
    return raised;
  }

  runtime::ManualClock clock;
  runtime::CoreEventLoop loop{clock};
  runtime::Pace pace;
  ReminderSources sources;

  bool online = true;
  std::shared_ptr<const protocol::TQueryUserProfileResp> profile;
  std::shared_ptr<const protocol::TGetServiceListResp> list;
  bool paymentNoticeVisible = false;
  bool netReachable = true;
  bool lanOnly = false;
  std::string serviceVersion = "6.0";
  bool answerAtOnce = true;
  int versionQueries = 0;
  std::function<void(const std::string&)> pendingVersionAnswer;
  std::vector<std::string> raised;
};

struct AccountCase {
  const char* name;
  const char* payType;
  int daysLeft;  // ServiceEndDate = today + daysLeft, unless `endDate` is set
  const char* endDate;
  bool paymentNoticeVisible;
  std::vector<std::string> expected;
};

class AccountCheckTest : public ReminderChecksTest,
                         public ::testing::WithParamInterface<AccountCase> {};

// The account check runs on the first alert tick (60 s) and then every other tick (20 s).
TEST_P(AccountCheckTest, RaisesByDaysLeft) {
  const AccountCase& c = GetParam();
  SetProfile(c.payType, c.endDate ? c.endDate : Ymd(Today() + std::chrono::days(c.daysLeft)));
  paymentNoticeVisible = c.paymentNoticeVisible;
  ReminderChecks checks(loop, pace, sources);
  checks.Start();

  EXPECT_EQ(RaisedDuring(60s), c.expected);
  EXPECT_EQ(RaisedDuring(10s), std::vector<std::string>{});  // the domain check's tick
  EXPECT_EQ(RaisedDuring(10s), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    DaysLeft, AccountCheckTest,
    ::testing::Values(AccountCase{"TrialTenDays", "0", 10, nullptr, false, {"0/0/10"}},
                      AccountCase{"TrialFourteenDays", "0", 14, nullptr, false, {"0/0/14"}},
                      AccountCase{"TrialFifteenDays", "0", 15, nullptr, false, {}},
                      AccountCase{"ExactlyThreeDays", "0", 3, nullptr, false, {"0/0/3"}},
                      AccountCase{"TwoDays", "0", 2, nullptr, false, {"1/0/"}},
                      AccountCase{"EndsToday", "0", 0, nullptr, false, {"1/0/"}},
                      AccountCase{"EndedYesterday", "0", -1, nullptr, false, {"2/0/"}},
                      AccountCase{"FormalWithoutNotice", "1", 10, nullptr, false, {}},
                      AccountCase{"FormalWithNotice", "1", 10, nullptr, true, {"0/1/10"}},
                      AccountCase{"FormalTwoDays", "1", 2, nullptr, false, {"1/0/"}},
                      AccountCase{"Lifetime", "1", 0, "20991231", true, {}},
                      AccountCase{"MalformedDate", "0", 0, "2026011", false, {}},
                      AccountCase{"NoSuchDay", "0", 0, "20260230", false, {}},
                      AccountCase{"EmptyDate", "0", 0, "", false, {}}),
    [](const ::testing::TestParamInfo<AccountCase>& row) { return std::string(row.param.name); });

TEST_F(ReminderChecksTest, NothingFiresBeforeTheFirstMinute) {
  SetProfile("0", Ymd(Today() - std::chrono::days(1)));
  lanOnly = true;
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  EXPECT_EQ(RaisedDuring(59s), std::vector<std::string>{});
  EXPECT_EQ(RaisedDuring(1s), (std::vector<std::string>{"2/0/", "8/0/"}));
}

TEST_F(ReminderChecksTest, AccountCheckNeedsSessionAndProfile) {
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  EXPECT_EQ(RaisedDuring(60s), std::vector<std::string>{});  // no profile held
  SetProfile("0", Ymd(Today() + std::chrono::days(5)));
  online = false;
  EXPECT_EQ(RaisedDuring(20s), std::vector<std::string>{});
  online = true;
  EXPECT_EQ(RaisedDuring(20s), std::vector<std::string>{"0/0/5"});
}

TEST_F(ReminderChecksTest, MalformedDeadlineSkipsOnlyThatTick) {
  SetProfile("0", "2026-01-10");
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  EXPECT_EQ(RaisedDuring(60s), std::vector<std::string>{});
  SetProfile("0", Ymd(Today() + std::chrono::days(4)));
  EXPECT_EQ(RaisedDuring(20s), std::vector<std::string>{"0/0/4"});
}

// With the real dispatcher and its default settings: a trial account ten days before its end is
// logged once as a tip and pops up nothing; with "windows" checked it pops up every 20 s.
TEST_F(ReminderChecksTest, TrialTenDaysIsLoggedOnceAsATipWithoutPopup) {
  class Session : public SessionMark {
   public:
    bool IsOnline() const override { return true; }
  } session;
  class Popups : public runtime::Presenter {
   public:
    std::vector<std::string> calls;
    void ShowHintPopup(const std::string& title, const std::string& text) override {
      calls.push_back(title + "|" + text);
    }
    void StartBeep(int repetitions) override {
      calls.push_back("beep " + std::to_string(repetitions));
    }
    void MessageBeep() override {}
    void ShowErrorBox(const std::string& caption, const std::string&) override {
      calls.push_back("error " + caption);
    }
    void ShowInfoBox(const std::string& caption, const std::string&) override {
      calls.push_back("info " + caption);
    }
    void ShowMainWindow() override {}
  } presenter;
  eventlog::EventLog log(clock, [] { return true; });
  EventItems items;
  EventDispatcher dispatcher(session, items, log, presenter);
  sources.NotifyEvent = [&](int kind, const std::string& text, int selector,
                            const std::string& argument) {
    dispatcher.NotifyEvent(kind, text, selector, argument);
  };
  SetProfile("0", Ymd(Today() + std::chrono::days(10)));
  const std::string message =
      "The trial deadline has only 10 days left, please pay for it and get further service.";

  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  Run(60s + 5 * 20s);  // six account checks
  ASSERT_EQ(log.List().size(), 1u);
  EXPECT_EQ(log.List().at(0).kind, 0);
  EXPECT_EQ(log.List().at(0).text, message);
  EXPECT_EQ(presenter.calls, std::vector<std::string>{});

  items[0].popup = true;
  Run(40s);
  EXPECT_EQ(presenter.calls, (std::vector<std::string>{"Hint|" + message, "Hint|" + message}));
  EXPECT_EQ(log.List().size(), 1u);
}

struct StatusCase {
  const char* status;
  std::vector<std::string> expected;
};

class DomainStatusTest : public ReminderChecksTest,
                         public ::testing::WithParamInterface<StatusCase> {};

TEST_P(DomainStatusTest, RaisesItsKind) {
  SetDomains({Domain("alpha", GetParam().status)});
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  Run(60s);
  EXPECT_EQ(RaisedDuring(10s), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Statuses, DomainStatusTest,
                         ::testing::Values(StatusCase{"1", {"4/0/alpha"}},
                                           StatusCase{"2", {"5/0/alpha"}},
                                           StatusCase{"4", {"6/0/"}}, StatusCase{"3", {"7/0/"}},
                                           StatusCase{"0", {}}, StatusCase{"", {}},
                                           StatusCase{"5", {}}));

// Statuses "1", "3", "0": the whole list, then without its first domain, then without its
// first two, then from the start again.
TEST_F(ReminderChecksTest, DomainCursorWalksTheListAndWraps) {
  SetDomains({Domain("first", "1"), Domain("second", "3"), Domain("third", "0")});
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  Run(60s);  // the account check's tick
  const struct {
    std::vector<std::string> raised;
    std::size_t cursorAfter;
  } passes[] = {{{"4/0/first", "7/0/"}, 1}, {{"7/0/"}, 2}, {{}, 0}, {{"4/0/first", "7/0/"}, 1}};
  for (const auto& pass : passes) {
    EXPECT_EQ(RaisedDuring(10s), pass.raised);
    EXPECT_EQ(checks.DomainCursor(), pass.cursorAfter);
    Run(10s);  // the account check's tick
  }
}

TEST_F(ReminderChecksTest, DomainCheckWaitsForSessionAndList) {
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  Run(70s);  // no list held
  EXPECT_EQ(checks.DomainCursor(), 0u);
  SetDomains({Domain("first", "1"), Domain("second", "0")});
  online = false;
  EXPECT_EQ(RaisedDuring(20s), std::vector<std::string>{});
  EXPECT_EQ(checks.DomainCursor(), 0u);
  online = true;
  EXPECT_EQ(RaisedDuring(20s), std::vector<std::string>{"4/0/first"});
  EXPECT_EQ(checks.DomainCursor(), 1u);
}

// A shorter list arriving while the cursor stands beyond its end: the pass covers nothing and
// the cursor wraps, instead of counting up for ever past the end of the list.
TEST_F(ReminderChecksTest, CursorWrapsWhenTheListShrinks) {
  SetDomains({Domain("a", "0"), Domain("b", "0"), Domain("c", "0")});
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  Run(60s + 2 * 20s);
  ASSERT_EQ(checks.DomainCursor(), 2u);
  SetDomains({Domain("only", "1")});
  EXPECT_EQ(RaisedDuring(20s), std::vector<std::string>{});
  EXPECT_EQ(checks.DomainCursor(), 0u);
  EXPECT_EQ(RaisedDuring(20s), std::vector<std::string>{"4/0/only"});
  EXPECT_EQ(checks.DomainCursor(), 0u);
  SetDomains({});
  EXPECT_EQ(RaisedDuring(20s), std::vector<std::string>{});
  EXPECT_EQ(checks.DomainCursor(), 0u);
}

struct AddressCase {
  bool netReachable;
  bool lanOnly;
  bool raises;
};

class AddressCheckTest : public ReminderChecksTest,
                         public ::testing::WithParamInterface<AddressCase> {};

// The address check runs on the remind timer's first tick (60 s) and every other tick (150 s).
TEST_P(AddressCheckTest, RaisesForALanOnlyHost) {
  netReachable = GetParam().netReachable;
  lanOnly = GetParam().lanOnly;
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  const std::vector<std::string> expected =
      GetParam().raises ? std::vector<std::string>{"8/0/"} : std::vector<std::string>{};
  EXPECT_EQ(RaisedDuring(60s), expected);
  EXPECT_EQ(RaisedDuring(75s), std::vector<std::string>{});  // the version check's tick
  EXPECT_EQ(RaisedDuring(75s), expected);
}

INSTANTIATE_TEST_SUITE_P(Flags, AddressCheckTest,
                         ::testing::Values(AddressCase{true, true, true},
                                           AddressCase{true, false, false},
                                           AddressCase{false, true, false},
                                           AddressCase{false, false, false}));

struct VersionCase {
  const char* version;
  bool outdated;
};

class VersionCheckTest : public ReminderChecksTest,
                         public ::testing::WithParamInterface<VersionCase> {};

// The version is asked once, on the first phase-2 tick (135 s); every later phase-2 tick (every
// 150 s) raises kind 3 again while the kept version differs from "6.0".
TEST_P(VersionCheckTest, AskedOnceAndRaisedOnEveryPhaseTwoTick) {
  serviceVersion = GetParam().version;
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  Run(60s);
  EXPECT_EQ(versionQueries, 0);
  const std::vector<std::string> expected =
      GetParam().outdated ? std::vector<std::string>{"3/0/"} : std::vector<std::string>{};
  for (int pass = 0; pass < 3; ++pass) {
    EXPECT_EQ(RaisedDuring(75s), expected);
    EXPECT_EQ(versionQueries, 1);
    EXPECT_EQ(RaisedDuring(75s), std::vector<std::string>{});  // the address check's tick
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionCheckTest,
                         ::testing::Values(VersionCase{"6.0", false}, VersionCase{"6.1", true},
                                           VersionCase{"7.0", true}, VersionCase{"", true}));

// The service's journal hears of an outdated version once per run, however many passes find it.
TEST_F(ReminderChecksTest, OncePerRunRaisesTheOutdatedVersionOnlyOnce) {
  serviceVersion = "6.1";
  ReminderChecks checks(loop, pace, sources, VersionReminder::OncePerRun);
  checks.Start();
  EXPECT_EQ(RaisedDuring(135s), std::vector<std::string>{"3/0/"});
  EXPECT_EQ(RaisedDuring(150s * 4), std::vector<std::string>{});
  EXPECT_EQ(versionQueries, 1);
}

TEST(VersionCompare, AnyOtherTextIsOutdated) {
  struct Case {
    const char* version;
    bool outdated;
  };
  for (const Case& c :
       {Case{"6.0", false}, Case{"V6.0", true}, Case{"6.0b", true}, Case{"6.0 ", true}}) {
    SCOPED_TRACE(c.version);
    runtime::ManualClock clock;
    runtime::CoreEventLoop loop(clock);
    std::vector<int> raised;
    ReminderSources sources;
    sources.QueryLatestVersion = [&](std::function<void(const std::string&)> done) {
      done(c.version);
    };
    sources.NotifyEvent = [&](int kind, const std::string&, int, const std::string&) {
      raised.push_back(kind);
    };
    ReminderChecks checks(loop, runtime::Pace{}, sources);
    checks.CheckVersion();
    EXPECT_EQ(raised, c.outdated ? std::vector<int>{3} : std::vector<int>{});
  }
}

// The query answers later (it must not block the loop): it is not asked again meanwhile, and
// the answer raises the reminder when it arrives.
TEST_F(ReminderChecksTest, SlowVersionAnswerIsAwaitedNotRepeated) {
  answerAtOnce = false;
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  EXPECT_EQ(RaisedDuring(135s + 150s), std::vector<std::string>{});
  EXPECT_EQ(versionQueries, 1);
  ASSERT_TRUE(pendingVersionAnswer);
  raised.clear();
  pendingVersionAnswer("6.2");
  EXPECT_EQ(raised, std::vector<std::string>{"3/0/"});
  EXPECT_EQ(RaisedDuring(150s), std::vector<std::string>{"3/0/"});
  EXPECT_EQ(versionQueries, 1);
}

TEST_F(ReminderChecksTest, VersionAnswerAfterStopIsDropped) {
  answerAtOnce = false;
  auto checks = std::make_unique<ReminderChecks>(loop, pace, sources);
  checks->Start();
  Run(135s);
  ASSERT_TRUE(pendingVersionAnswer);
  checks.reset();
  raised.clear();
  pendingVersionAnswer("6.2");
  EXPECT_EQ(raised, std::vector<std::string>{});
}

TEST_F(ReminderChecksTest, FailingSourcesAreDroppedByTheTick) {
  sources.IsLanOnly = []() -> bool { throw std::runtime_error("no netlink"); };
  sources.ServiceList = []() -> std::shared_ptr<const protocol::TGetServiceListResp> {
    throw std::runtime_error("gone");
  };
  SetProfile("0", Ymd(Today() + std::chrono::days(1)));
  ReminderChecks checks(loop, pace, sources);
  checks.Start();
  EXPECT_EQ(RaisedDuring(60s + 20s), (std::vector<std::string>{"1/0/", "1/0/"}));
}

// Logged out, the service's journal would drop the outdated version; it is told once logged in.
TEST_F(ReminderChecksTest, OncePerRunWaitsForTheSessionToTellTheOutdatedVersion) {
  serviceVersion = "6.1";
  online = false;
  ReminderChecks checks(loop, pace, sources, VersionReminder::OncePerRun);
  checks.Start();
  EXPECT_EQ(RaisedDuring(135s + 150s), std::vector<std::string>{});
  EXPECT_EQ(versionQueries, 1);
  online = true;
  EXPECT_EQ(RaisedDuring(150s), std::vector<std::string>{"3/0/"});
  EXPECT_EQ(RaisedDuring(150s * 2), std::vector<std::string>{});
}

// The same checks on a clock of their own, started to wake on every tick or only when due; the
// test changes the sources of both alike and tells the second. As the dispatcher, it drops what
// is raised while logged out.
class ChecksWorld : public ReminderChecksTest {
 public:
  explicit ChecksWorld(ReminderWake wake) : checks(loop, pace, AsDispatcher()), wake_(wake) {}
  void TestBody() override {}

  void Start() { checks.Start(wake_); }
  void Changed() { checks.SourcesChanged(); }
  // One second on; what it raised, each with the second it was raised in.
  void Step(std::vector<std::string>& log, int second) {
    raised.clear();
    Run(1s);
    for (const auto& entry : raised) log.push_back(std::to_string(second) + ":" + entry);
  }

  ReminderChecks checks;

 private:
  ReminderSources AsDispatcher() {
    sources.NotifyEvent = [this](int kind, const std::string&, int selector,
                                 const std::string& argument) {
      if (online) raised.push_back(std::to_string(kind) + "/" + std::to_string(selector) + "/" +
                                   argument);
    };
    return sources;
  }

  ReminderWake wake_;
};

// Woken only when due, the checks raise exactly what they raise waking on every tick, at the same
// seconds, across logins and logouts, new lists, a LAN-only host and two midnights that bring the
// account's deadline near; logged out with nothing to tell, no timer is set at all.
TEST(ReminderWakeTest, OnlyWhenDueRaisesWhatEveryTickRaisesAtTheSameTimes) {
  ChecksWorld everyTick(ReminderWake::EveryTick);
  ChecksWorld whenDue(ReminderWake::OnlyWhenDue);
  const auto both = [&](const std::function<void(ChecksWorld&)>& change) {
    change(everyTick);
    change(whenDue);
    whenDue.Changed();
  };
  both([](ChecksWorld& world) {
    world.online = false;
    world.serviceVersion = "6.1";
    world.SetProfile("0", Ymd(world.Today() + std::chrono::days(16)));
    world.SetDomains({Domain("a", "0"), Domain("b", "0"), Domain("c", "0")});
  });
  everyTick.Start();
  whenDue.Start();

  const std::map<int, std::function<void(ChecksWorld&)>> changes{
      {200, [](ChecksWorld& w) { w.online = true; }},
      {431, [](ChecksWorld& w) { w.SetDomains({Domain("x", "0"), Domain("y", "1")}); }},
      {600, [](ChecksWorld& w) { w.lanOnly = true; }},
      {805, [](ChecksWorld& w) { w.online = false; }},
      {1000,
       [](ChecksWorld& w) {
         w.online = true;
         w.lanOnly = false;
         w.SetDomains({Domain("p", "0"), Domain("q", "0"), Domain("r", "2")});
       }},
      {1300, [](ChecksWorld& w) { w.SetDomains({Domain("p", "0")}); }},
      {2 * 86400 + 100, [](ChecksWorld& w) { w.online = false; }},
  };
  std::vector<std::string> fromEveryTick, fromWhenDue;
  bool parkedLoggedOut = false;
  const int end = 2 * 86400 + 400;
  for (int second = 1; second <= end; ++second) {
    if (const auto change = changes.find(second); change != changes.end()) both(change->second);
    everyTick.Step(fromEveryTick, second);
    whenDue.Step(fromWhenDue, second);
    ASSERT_EQ(whenDue.checks.DomainCursor(), everyTick.checks.DomainCursor()) << second;
    if (second == 199 || second == end) {
      // Logged out, the version asked: nothing left that could wake the loop.
      EXPECT_FALSE(whenDue.checks.AlertTimerSet()) << second;
      EXPECT_FALSE(whenDue.checks.RemindTimerSet()) << second;
      parkedLoggedOut = true;
    }
  }
  EXPECT_TRUE(parkedLoggedOut);
  EXPECT_EQ(fromWhenDue, fromEveryTick);
  // The near deadline, the domains and the LAN-only host were all told.
  for (const char* kind : {":0/0/14", ":4/0/y", ":5/0/r", ":8/0/", ":3/0/"}) {
    EXPECT_TRUE(std::any_of(fromWhenDue.begin(), fromWhenDue.end(),
                            [&](const std::string& entry) {
                              return entry.find(kind) != std::string::npos;
                            }))
        << kind;
  }
}

// Logged in with a far deadline, a list without news and a current version, the alert timer
// waits for the day that brings the deadline near (looking at the date once an hour) and the
// remind timer for nothing at all.
TEST(ReminderWakeTest, LoggedInWithNothingDueSetsOnlyTheDateWait) {
  ChecksWorld world(ReminderWake::OnlyWhenDue);
  world.SetProfile("0", Ymd(world.Today() + std::chrono::days(30)));
  world.SetDomains({Domain("a", "0")});
  world.Start();
  world.Run(135s);
  EXPECT_EQ(world.versionQueries, 1);
  EXPECT_FALSE(world.checks.RemindTimerSet());
  EXPECT_TRUE(world.checks.AlertTimerSet());
  std::vector<std::string> log;
  for (int second = 136; second < 3600; ++second) world.Step(log, second);
  EXPECT_EQ(log, std::vector<std::string>{});
}

}  // namespace
}  // namespace kelbrin::reminders
