// The rules every front-end shares: a notice's effects, the settings boxes' choice, and what the
// window shows of a session told as facts (a desktop attached to the service).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "SessionDoubles.h"
#include "session/SessionFacts.h"
#include "session/SettingsChoice.h"

namespace kelbrin::session {
namespace {

using namespace std::chrono;
using runtime::Notice;
using runtime::NoticeKind;

std::vector<std::string> Effects(const test::RecordingPresenter& presenter) {
  std::vector<std::string> lines;
  for (const auto& effect : presenter.effects) lines.push_back(effect.Line());
  return lines;
}

TEST(NoticeRule, EachKindHasItsEffectsInOrder) {
  const struct {
    Notice notice;
    std::vector<std::string> effects;
  } cases[] = {
      {{NoticeKind::News, "Logout Success！"}, {"popup|Hint|Logout Success！"}},
      {{NoticeKind::Tip, "Connection fails！"}, {"popup|Tip|Connection fails！"}},
      {{NoticeKind::Answer, "Login failure: x"}, {"message-beep||", "popup|Tip|Login failure: x"}},
      {{NoticeKind::Reminder, "due", false}, {"popup|Hint|due"}},
      {{NoticeKind::Reminder, "due", true}, {"popup|Hint|due", "beep||3"}},
      {{NoticeKind::WarningReminder, "late", true}, {"popup|Warning|late", "beep||3"}},
      {{NoticeKind::ConnectionLost, "gone", false}, {"popup|Tip|gone"}},
      {{NoticeKind::ConnectionLost, "gone", true}, {"popup|Tip|gone", "beep||6"}},
      {{NoticeKind::LineProblem, "check"}, {"popup|Tip|check", "network-settings||"}},
      {{NoticeKind::Failure, "refused"}, {"error|Error|refused"}},
  };
  for (const auto& c : cases) {
    test::RecordingPresenter presenter;
    bool closed = false;
    presenter.Tell(c.notice, [&closed] { closed = true; });
    EXPECT_EQ(Effects(presenter), c.effects) << c.notice.text;
    EXPECT_TRUE(closed) << c.notice.text;
  }
}

// Only news is routine (another popup may replace it); every other popup matters.
TEST(NoticeRule, OnlyNewsIsARoutinePopup) {
  using runtime::PopupWeight;
  const struct {
    NoticeKind kind;
    PopupWeight weight;
  } cases[] = {
      {NoticeKind::News, PopupWeight::Routine},
      {NoticeKind::Tip, PopupWeight::Matters},
      {NoticeKind::Answer, PopupWeight::Matters},
      {NoticeKind::Reminder, PopupWeight::Matters},
      {NoticeKind::WarningReminder, PopupWeight::Matters},
      {NoticeKind::ConnectionLost, PopupWeight::Matters},
      {NoticeKind::LineProblem, PopupWeight::Matters},
  };
  for (const auto& c : cases) {
    test::RecordingPresenter presenter;
    presenter.Tell({c.kind, "text"});
    EXPECT_EQ(presenter.popupWeights, std::vector<PopupWeight>{c.weight})
        << static_cast<int>(c.kind);
  }
  test::RecordingPresenter presenter;
  presenter.Tell({NoticeKind::Failure, "refused"});
  EXPECT_TRUE(presenter.popupWeights.empty());
}

TEST(NoticeRule, AFailureIsReadWhenItsBoxCloses) {
  test::RecordingPresenter presenter;
  presenter.holdErrorBoxes = true;
  bool closed = false;
  presenter.Tell({NoticeKind::Failure, "refused"}, [&closed] { closed = true; });
  EXPECT_FALSE(closed);
  presenter.CloseErrorBoxes();
  EXPECT_TRUE(closed);
}

TEST(SettingsChoice, TheBoxesRuleHoldsForAllThreeAtOnce) {
  const struct {
    bool save, startup, service, allowed;
  } cases[] = {
      {false, false, false, true}, {true, false, false, true}, {true, true, false, true},
      {true, false, true, true},   {true, true, true, false},  {false, true, false, false},
      {false, false, true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(!SettingsChoiceError(c.save, c.startup, c.service).has_value(), c.allowed)
        << c.save << c.startup << c.service;
  }
}

SessionFacts OnlineFacts() {
  SessionFacts facts;
  facts.state = SessionState::Online;
  facts.userName = "demo01";
  facts.account = AccountFacts{"normal", "formal", "100001", sys_days(2027y / 1 / 31)};
  facts.address = "198.51.100.9";
  facts.domainCount = 2;
  facts.savePassword = true;
  return facts;
}

TEST(ShowFacts, OnlineShowsTheAccountTheAddressAndTheTray) {
  SessionView view;
  ShowFacts(OnlineFacts(), 2026y / 12 / 11, view);
  EXPECT_EQ(view.Label25, "Normal");
  EXPECT_EQ(view.Label26, "Formal user");
  EXPECT_EQ(view.Label27, "198.51.100.9");
  EXPECT_EQ(view.Label28, "100001");
  EXPECT_EQ(view.Label29, "2027-01-31");
  EXPECT_EQ(view.BtnLogonCaption, "Logout");
  EXPECT_FALSE(view.EditUserNameEnabled);
  EXPECT_EQ(view.TrayIconIndex, 3);
  EXPECT_EQ(view.TrayHint, "Kelbrin client V6.0 -- Online");
  EXPECT_EQ(view.EditUserName, "demo01");
  EXPECT_TRUE(view.ChkBoxSavePwd);
}

TEST(ShowFacts, AnEmptyListAsksToRegisterAndAFailingConnectionShowsInTheTray) {
  SessionView view;
  SessionFacts facts = OnlineFacts();
  facts.domainCount = 0;
  facts.state = SessionState::ConnectionFails;
  ShowFacts(facts, 2026y / 12 / 11, view);
  EXPECT_EQ(view.Label25, "Please register first！");
  EXPECT_EQ(view.Label27, "");
  EXPECT_EQ(view.TrayHint, "Kelbrin client V6.0 -- Connection fails！");
  EXPECT_EQ(view.BtnLogonCaption, "Logout");
}

TEST(ShowFacts, LoggingOutClearsThePanelAndTheTraySaysLogout) {
  SessionView view;
  ShowFacts(OnlineFacts(), 2026y / 12 / 11, view);
  SessionFacts facts;
  facts.state = SessionState::Refused;
  facts.userName = "demo01";
  ShowFacts(facts, 2026y / 12 / 11, view);
  EXPECT_EQ(view.Label25, "");
  EXPECT_EQ(view.Label27, "");
  EXPECT_EQ(view.Label29, "");
  EXPECT_EQ(view.BtnLogonCaption, "Login");
  EXPECT_TRUE(view.EditUserNameEnabled);
  EXPECT_EQ(view.TrayHint, "Kelbrin client V6.0 -- Logout");

  // A login under way holds the controls.
  facts.state = SessionState::LoggingIn;
  ShowFacts(facts, 2026y / 12 / 11, view);
  EXPECT_FALSE(view.BtnLogonEnabled);
  EXPECT_FALSE(view.EditPasswordEnabled);
}

}  // namespace
}  // namespace kelbrin::session
