#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "eventlog/EventLog.h"
#include "reminders/EventDispatcher.h"
#include "runtime/ManualClock.h"
#include "settings/PubUtil.h"

namespace kelbrin::reminders {
namespace {

// Writes every effect down as "popup TITLE|TEXT" or "beep N".
class RecordingPresenter : public runtime::Presenter {
 public:
  std::vector<std::string> calls;

  void ShowHintPopup(const std::string& title, const std::string& text) override {
    calls.push_back("popup " + title + "|" + text);
  }
  void StartBeep(int repetitions) override {
    calls.push_back("beep " + std::to_string(repetitions));
  }
  void MessageBeep() override { calls.push_back("message beep"); }
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    calls.push_back("error " + caption + "|" + text);
  }
  void ShowInfoBox(const std::string& caption, const std::string& text) override {
    calls.push_back("info " + caption + "|" + text);
  }
  void ShowMainWindow() override { calls.push_back("show"); }
};

class FakeSession : public SessionMark {
 public:
  bool online = true;
  bool IsOnline() const override { return online; }
};

class NotifyEventTest : public ::testing::Test {
 protected:
  std::vector<std::string> Log() const {
    std::vector<std::string> entries;
    for (std::size_t row = 0; row < log.List().size(); ++row) {
      entries.push_back(std::to_string(log.List().at(row).kind) + " " + log.List().at(row).text);
    }
    return entries;
  }

  runtime::ManualClock clock;
  eventlog::EventLog log{clock, [] { return true; }};
  FakeSession session;
  EventItems items;
  RecordingPresenter presenter;
  EventDispatcher dispatcher{session, items, log, presenter};
};

struct KindCase {
  int kind;
  int selector;
  const char* argument;
  const char* title;
  int logKind;
  const char* message;
};

class NotifyReminderTest : public NotifyEventTest,
                           public ::testing::WithParamInterface<KindCase> {};

// Each kind with every combination of its two flags, raised twice in one run: logged the first
// time only, shown as the flags say both times; sound brings the popup with it.
TEST_P(NotifyReminderTest, FollowsClassAndFlags) {
  const KindCase& c = GetParam();
  const std::string popup = std::string("popup ") + c.title + "|" + c.message;
  const struct {
    bool popup, sound;
    std::vector<std::string> effects;
  } flagCases[] = {{false, false, {}},
                   {true, false, {popup}},
                   {false, true, {popup, "beep 3"}},
                   {true, true, {popup, "beep 3"}}};
  for (const auto& flags : flagCases) {
    SCOPED_TRACE(testing::Message() << "popup " << flags.popup << " sound " << flags.sound);
    log.Clear();
    items.SetDefaults();
    items[c.kind].popup = flags.popup;
    items[c.kind].sound = flags.sound;
    presenter.calls.clear();

    dispatcher.NotifyEvent(c.kind, "ignored", c.selector, c.argument);
    dispatcher.NotifyEvent(c.kind, "ignored", c.selector, c.argument);

    EXPECT_EQ(Log(), (std::vector<std::string>{std::to_string(c.logKind) + " " + c.message}));
    std::vector<std::string> twice = flags.effects;
    twice.insert(twice.end(), flags.effects.begin(), flags.effects.end());
    EXPECT_EQ(presenter.calls, twice);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, NotifyReminderTest,
    ::testing::Values(
        KindCase{0, 0, "10", "Hint", 0,
                 "The trial deadline has only 10 days left, please pay for it and get further "
                 "service."},
        KindCase{0, 1, "10", "Hint", 0, "The deadline has 10 days left, please pay for it soon."},
        KindCase{0, 0, "", "Hint", 0,
                 "The trial deadline has only  days left, please pay for it and get further "
                 "service."},
        KindCase{1, 0, "2", "Warning", 1,
                 "The your accounn deadline  has 3 days left, please pay for it or contact us."},
        KindCase{2, 0, "", "Warning", 1,
                 "The trial days have finished, please pay for it or contact us"},
        KindCase{3, 0, "", "Hint", 0, "You have the outdate version, please update it"},
        // The selector counts for kind 0 only.
        KindCase{4, 1, "a.example", "Warning", 1,
                 "Your domain name , a.example , have not registered, please do it now."},
        KindCase{5, 0, "b.example", "Warning", 1,
                 "Your domain name , b.example ,have not been submitted, please do it right now."},
        KindCase{6, 0, "c.example", "Hint", 0,
                 "Your domain name will be expired, please pay for it in time"},
        KindCase{7, 0, "d.example", "Warning", 1,
                 "Your domain name has expired,it will reopen if paid"},
        KindCase{8, 0, "", "Hint", 0,
                 "No WAN IP in this host, if  need to establish a website, please map the ports."},
        KindCase{9, 0, "", "Warning", 1, ""}));

TEST_F(NotifyEventTest, FreeTextIsLoggedAndShownEveryTimeWithoutSound) {
  for (int kind = 0; kind < kEventKindCount; ++kind) items[kind].sound = true;
  dispatcher.NotifyEvent(kNotifyTextKind, "Congradulation！", 3, "x");
  dispatcher.NotifyEvent(kNotifyTextKind, "Congradulation！");
  EXPECT_EQ(Log(), (std::vector<std::string>{"0 Congradulation！", "0 Congradulation！"}));
  EXPECT_EQ(presenter.calls, (std::vector<std::string>{"popup Hint|Congradulation！",
                                                       "popup Hint|Congradulation！"}));
}

TEST_F(NotifyEventTest, FreeTextPassesTheLogFilters) {
  dispatcher.NotifyEvent(kNotifyTextKind, "Connection fails！");
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(presenter.calls, (std::vector<std::string>{"popup Hint|Connection fails！"}));
}

TEST_F(NotifyEventTest, NothingWhileLoggedOutAndNoKindCountsAsLogged) {
  session.online = false;
  for (int kind = 0; kind < kEventKindCount; ++kind) items[kind].sound = true;
  for (int kind = 0; kind <= kNotifyTextKind; ++kind) dispatcher.NotifyEvent(kind, "text", 0, "a");
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(presenter.calls.empty());

  session.online = true;
  dispatcher.NotifyEvent(3, "");
  EXPECT_EQ(Log(), (std::vector<std::string>{"0 You have the outdate version, please update it"}));
}

TEST_F(NotifyEventTest, UnknownKindIsAnError) {
  EXPECT_THROW(dispatcher.NotifyEvent(11, "text"), std::out_of_range);
  EXPECT_THROW(dispatcher.NotifyEvent(-1, "text"), std::out_of_range);
}

TEST_F(NotifyEventTest, StoredMaskOfZeroSilencesEverythingButTheLog) {
  const test::TempDir dir;
  settings::SetConfigRoot(dir.path());
  settings::TPubUtil::WriteRegString("EventConfig", "0");
  items.LoadEventConfig();
  for (int kind = 0; kind < kEventKindCount; ++kind) dispatcher.NotifyEvent(kind, "", 0, "x");
  EXPECT_EQ(Log().size(), 10u);
  EXPECT_TRUE(presenter.calls.empty());
}

}  // namespace
}  // namespace kelbrin::reminders
