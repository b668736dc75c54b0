#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "../eventlog/LocalTime.h"
#include "eventlog/EventLog.h"
#include "runtime/ManualClock.h"
#include "session/HeadlessPresenter.h"

namespace kelbrin::session {
namespace {

struct EffectCase {
  std::function<void(runtime::Presenter&)> call;
  const char* line;
  const char* journalPriority;  // the prefix when the stream is the journal
};

const EffectCase kEffectCases[] = {
    {[](runtime::Presenter& p) { p.ShowHintPopup("Hint", "Congradulation！"); },
     "Hint: Congradulation！\n", "<5>"},
    {[](runtime::Presenter& p) { p.ShowHintPopup("Tip", "Connection fails！"); },
     "Tip: Connection fails！\n", "<4>"},
    {[](runtime::Presenter& p) { p.StartBeep(6); },
     "beep: 800 Hz 500 ms, 800 Hz 200 ms, 1000 Hz 300 ms x6\n", "<7>"},
    {[](runtime::Presenter& p) { p.StartBeep(3); },
     "beep: 800 Hz 500 ms, 800 Hz 200 ms, 1000 Hz 300 ms x3\n", "<7>"},
    {[](runtime::Presenter& p) { p.MessageBeep(); }, "beep: message\n", "<7>"},
    {[](runtime::Presenter& p) { p.ShowErrorBox("Error", "The account expires！"); },
     "Error: The account expires！\n", "<3>"},
    {[](runtime::Presenter& p) { p.ShowInfoBox("Tip", "Please register first！"); },
     "Tip: Please register first！\n", "<5>"},
    // Text from the service never starts a line of its own nor reaches the terminal raw.
    {[](runtime::Presenter& p) {
       p.ShowHintPopup("Hint", "IP updates successfully：1.2.3.4\r\nError: forged\x1b[2J\xc2\x9b");
     },
     "Hint: IP updates successfully：1.2.3.4\\r\\nError: forged\\x1B[2J\\xC2\\x9B\n", "<5>"},
    {[](runtime::Presenter& p) { p.ShowErrorBox("Err\nor", std::string("a\0b\x7f", 4)); },
     "Err\\nor: a\\x00b\\x7F\n", "<3>"},
    {[](runtime::Presenter& p) { p.ShowInfoBox("Tip", "one\ntwo\n"); }, "Tip: one\\ntwo\\n\n",
     "<5>"},
};

TEST(HeadlessPresenter, EachEffectIsOneLine) {
  for (const auto& c : kEffectCases) {
    std::ostringstream out;
    HeadlessPresenter presenter(out);
    c.call(presenter);
    EXPECT_EQ(out.str(), c.line);
  }
}

TEST(HeadlessPresenter, ForTheJournalEachLineStartsWithItsPriority) {
  for (const auto& c : kEffectCases) {
    std::ostringstream out;
    HeadlessPresenter presenter(out, true);
    c.call(presenter);
    EXPECT_EQ(out.str(), std::string(c.journalPriority) + c.line);
  }
}

class HeadlessLogTest : public ::testing::Test {
 protected:
  HeadlessLogTest() { clock.SetWallTime(test::LocalTime(2006, 1, 31, 14, 5, 9)); }

  runtime::ManualClock clock;
  eventlog::EventLog log{clock, [] { return true; }};
  std::ostringstream out;
};

TEST_F(HeadlessLogTest, FollowedEntriesAreWrittenAsSavedLogLines) {
  HeadlessPresenter presenter(out);
  log.AddLog(eventlog::kLogTip, "before following");
  presenter.Follow(log.List());
  log.AddLog(eventlog::kLogTip, "Clear log！");
  log.AddLog(7, " Logout Success！ ");
  log.AddLog(eventlog::kLogTip, "Connection fails！");  // dropped by the log, so no line
  log.Clear();
  EXPECT_EQ(out.str(),
            "Tip      06-01-31 14:05:09      Clear log！\n"
            "Others      06-01-31 14:05:09      Logout Success！\n");
}

TEST_F(HeadlessLogTest, AFollowedEntryWithLineEndsIsStillOneLine) {
  HeadlessPresenter presenter(out);
  presenter.Follow(log.List());
  log.AddLog(eventlog::kLogTip, "IP：1.2.3.4\nError      06-01-31 14:05:10      forged");
  EXPECT_EQ(out.str(),
            "Tip      06-01-31 14:05:09      IP：1.2.3.4\\nError      06-01-31 14:05:10      "
            "forged\n");
}

// A notice is logged and then shown: one event, one line. A popup of other text, or one that
// comes after another line, is an event of its own; a window to show is none.
TEST_F(HeadlessLogTest, APopupThatRepeatsTheEntryJustLoggedAddsNoLine) {
  HeadlessPresenter presenter(out, true);
  presenter.Follow(log.List());
  log.AddLog(eventlog::kLogTip, "IP updates successfully：1.2.3.4");
  presenter.ShowHintPopup("Hint", "IP updates successfully：1.2.3.4");
  presenter.ShowMainWindow();
  presenter.ShowHintPopup("Hint", "IP updates successfully：1.2.3.4");
  log.AddLog(eventlog::kLogWarning, "expires");
  presenter.StartBeep(3);
  presenter.ShowHintPopup("Warning", "expires");
  log.AddLog(eventlog::kLogTip, "logged");
  presenter.ShowHintPopup("Hint", "other");
  EXPECT_EQ(out.str(),
            "<6>Tip      06-01-31 14:05:09      IP updates successfully：1.2.3.4\n"
            "<5>Hint: IP updates successfully：1.2.3.4\n"
            "<4>Warning      06-01-31 14:05:09      expires\n"
            "<7>beep: 800 Hz 500 ms, 800 Hz 200 ms, 1000 Hz 300 ms x3\n"
            "<5>Warning: expires\n"
            "<6>Tip      06-01-31 14:05:09      logged\n"
            "<5>Hint: other\n");
}

TEST_F(HeadlessLogTest, StopsFollowingWhenSwitchedOrDestroyed) {
  eventlog::EventLog other{clock, [] { return true; }};
  {
    HeadlessPresenter presenter(out);
    presenter.Follow(log.List());
    presenter.Follow(other.List());
    log.AddLog(eventlog::kLogTip, "old list");
    other.AddLog(eventlog::kLogWarning, "new list");
  }
  log.AddLog(eventlog::kLogTip, "after");
  other.AddLog(eventlog::kLogTip, "after");
  EXPECT_EQ(out.str(), "Warning      06-01-31 14:05:09      new list\n");
}

TEST_F(HeadlessLogTest, ForTheJournalLogEntriesCarryTheirKindsPriority) {
  HeadlessPresenter presenter(out, true);
  presenter.Follow(log.List());
  log.AddLog(eventlog::kLogError, "failed");
  log.AddLog(eventlog::kLogWarning, "expires");
  log.AddLog(eventlog::kLogTip, "Clear log！");
  log.AddLog(7, "other");
  EXPECT_EQ(out.str(),
            "<3>Error      06-01-31 14:05:09      failed\n"
            "<4>Warning      06-01-31 14:05:09      expires\n"
            "<6>Tip      06-01-31 14:05:09      Clear log！\n"
            "<6>Others      06-01-31 14:05:09      other\n");
}

}  // namespace
}  // namespace kelbrin::session
