// The auto-logon worker against the reference service.
#include <gtest/gtest.h>

#include <algorithm>

#include "SessionFixture.h"

namespace kelbrin::session::test {
namespace {

class AutoLogonTest : public SessionFixture {
 protected:
  // Starts with the worker's first pass behind it and the worker parked in its pace; with
  // `withLine`, a stored line whose keep-alive worker waits on the clock too.
  void StartSettled(bool withLine = false) {
    if (withLine) HoldCountingLine();
    Start();
    ASSERT_TRUE(clock.waitForWaiters(withLine ? 2 : 1));
    loop.processPending();
  }
  runtime::Duration Pass() const { return pace.autoLogonWaitStep * pace.autoLogonWaitSteps; }
  int ErrorBoxes() const {
    return static_cast<int>(std::count_if(presenter.effects.begin(), presenter.effects.end(),
                                          [](const auto& e) { return e.kind == "error"; }));
  }
};

TEST_F(AutoLogonTest, RetriesEveryPaceWhileTheServiceIsDownAndLogsInOnceItAnswers) {
  SaveCredentials("demo01", "demo-pass");
  Control("status?code=500&msg=QueryUserProfileReq");
  StartSettled(true);
  // The auto-logon worker and the line's keep-alive worker.
  constexpr std::size_t kParked = 2;
  const int first = Requests("QueryUserProfileReq");  // the first pass may come before arming
  for (int pass = 1; pass <= 3; ++pass) {
    AdvanceAndSettle(Pass() - 1s, kParked);
    EXPECT_EQ(Requests("QueryUserProfileReq"), first + pass - 1);
    AdvanceAndSettle(1s, kParked);
    EXPECT_EQ(Requests("QueryUserProfileReq"), first + pass);
  }
  // Every failed attempt re-runs the line's login step, on the controller's thread.
  // ... and once more when the line started.
  EXPECT_EQ(lineLogins, first + 3 + 1);
  EXPECT_EQ(controller->Mark(), 0);

  service->reset();
  AdvanceAndSettle(Pass(), kParked);
  EXPECT_EQ(controller->Mark(), 1);
  EXPECT_EQ(controller->View().TrayHint, "Kelbrin client V6.0 -- Online");
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
  EXPECT_EQ(ErrorBoxes(), 0);
  // The window stays in the tray with a saved password.
  EXPECT_EQ(presenter.Count("show", "", ""), 0);
}

TEST_F(AutoLogonTest, WrongSavedPasswordGivesOneErrorAndNoFurtherAttempt) {
  SaveCredentials("demo01", "not-the-password");
  StartSettled();
  AdvanceAndSettle(Pass(), 1);
  ASSERT_TRUE(RunUntil([&] { return ErrorBoxes() == 1; }));
  EXPECT_EQ(presenter.Count("error", "Error", "Password failure！"), 1);
  EXPECT_FALSE(controller->AutoLogonArmed());
  EXPECT_EQ(controller->View().TrayHint, "Kelbrin client V6.0 -- Logout");

  for (int pass = 0; pass < 3; ++pass) AdvanceAndSettle(Pass(), 1);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
  EXPECT_EQ(ErrorBoxes(), 1);
  EXPECT_EQ(controller->Mark(), 0);
}

// The refusal disarms on the worker's own thread: even when the clock moves on before the
// controller's thread has handled the refusal, the refused password is not sent again.
TEST_F(AutoLogonTest, ARefusalDisarmsBeforeTheControllerHandlesIt) {
  SaveCredentials("demo01", "not-the-password");
  StartSettled();
  clock.advance(Pass());
  ASSERT_TRUE(AwaitRequests("QueryUserProfileReq", 1));
  ASSERT_TRUE(clock.waitForWaiters(1));  // refused, and parked again: nothing handled yet
  EXPECT_FALSE(controller->AutoLogonArmed());
  for (int pass = 0; pass < 3; ++pass) {
    clock.advance(Pass());
    ASSERT_TRUE(clock.waitForWaiters(1));
  }
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
  loop.processPending();
  EXPECT_EQ(ErrorBoxes(), 1);
}

// "Save Password" ticked with nothing saved can only be refused: no auto-logon, the window shows.
TEST_F(AutoLogonTest, AnEmptySavedPasswordStartsAsWithoutOne) {
  SaveCredentials("demo01", "");
  StartSettled();
  EXPECT_EQ(presenter.Count("show", "", ""), 1);
  EXPECT_FALSE(controller->AutoLogonArmed());
  for (int pass = 0; pass < 3; ++pass) AdvanceAndSettle(Pass(), 1);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 0);
  EXPECT_EQ(presenter.Count("popup", "Hint", "Logout Success！"), 0);
}

TEST_F(AutoLogonTest, WithoutASavedPasswordTheWindowShowsAndNothingIsSent) {
  StartSettled();
  EXPECT_EQ(presenter.Count("show", "", ""), 1);
  EXPECT_FALSE(controller->AutoLogonArmed());
  EXPECT_EQ(controller->View().TrayHint, "Kelbrin client V6.0 -- Offline");
  for (int pass = 0; pass < 3; ++pass) AdvanceAndSettle(Pass(), 1);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 0);
}

TEST_F(AutoLogonTest, FocusInAnEditDisarmsAtOnce) {
  SaveCredentials("demo01", "demo-pass");
  Control("status?code=500&msg=QueryUserProfileReq");
  StartSettled();
  const int before = Requests("QueryUserProfileReq");
  controller->EditEntered();
  EXPECT_FALSE(controller->AutoLogonArmed());
  for (int pass = 0; pass < 3; ++pass) AdvanceAndSettle(Pass(), 1);
  EXPECT_EQ(Requests("QueryUserProfileReq"), before);
}

}  // namespace
}  // namespace kelbrin::session::test
