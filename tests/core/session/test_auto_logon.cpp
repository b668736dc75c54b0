// The auto-logon worker against the reference service.
#include <gtest/gtest.h>

#include <algorithm>

#include "SessionFixture.h"

namespace kelbrin::session::test {
namespace {

class AutoLogonTest : public SessionFixture {
 protected:
  // Starts with the worker parked: after its first attempt (`loginsAtStart` 1, a saved
  // password arms it at once) or in its wait for arming. With `withLine`, a stored line whose
  // keep-alive worker waits on the clock too.
  void StartSettled(int loginsAtStart = 0, bool withLine = false) {
    if (withLine) HoldCountingLine();
    Start();
    ASSERT_TRUE(AwaitRequests("QueryUserProfileReq", loginsAtStart));
    ASSERT_TRUE(clock.WaitForWaiters(1 + lineWorkers));
    loop.ProcessPending();
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
  StartSettled(1, true);
  // The auto-logon worker and the line's keep-alive worker.
  constexpr std::size_t kParked = 2;
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
  for (int pass = 1; pass <= 3; ++pass) {
    AdvanceAndSettle(Pass() - 1s, kParked);
    EXPECT_EQ(Requests("QueryUserProfileReq"), pass);
    AdvanceAndSettle(1s, kParked);
    EXPECT_EQ(Requests("QueryUserProfileReq"), pass + 1);
  }
  // Every failed attempt re-runs the line's login step, on the controller's thread, and the
  // line's own start logged it in once.
  EXPECT_EQ(lineLogins, 4 + 1);
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
  StartSettled(1);
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
  Start();
  ASSERT_TRUE(AwaitRequests("QueryUserProfileReq", 1));
  ASSERT_TRUE(clock.WaitForWaiters(1));  // refused, and parked again: nothing handled yet
  EXPECT_FALSE(controller->AutoLogonArmed());
  for (int pass = 0; pass < 3; ++pass) {
    clock.Advance(Pass());
    ASSERT_TRUE(clock.WaitForWaiters(1));
  }
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
  loop.ProcessPending();
  EXPECT_EQ(ErrorBoxes(), 1);
}

// Armed means now: the first attempt does not wait for a pass of the clock.
TEST_F(AutoLogonTest, WithASavedPasswordTheFirstAttemptGoesOutAtOnce) {
  SaveCredentials("demo01", "demo-pass");
  const auto started = clock.Now();
  Start();
  ASSERT_TRUE(RunUntil([&] { return controller->Mark() == 1; }));
  EXPECT_EQ(clock.Now(), started);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
  EXPECT_EQ(controller->View().TrayHint, "Kelbrin client V6.0 -- Online");
}

// A service does not hold its first login back for the service query (a systemctl process);
// the query runs on the controller's thread afterwards, before the login's save.
TEST_F(AutoLogonTest, AServiceAsksForItsServiceStateAfterStarting) {
  SaveCredentials("demo01", "demo-pass");
  backend.serviceInstalled = true;
  Start();
  EXPECT_FALSE(controller->View().ChkBoxRunAsService);
  ASSERT_TRUE(RunUntil([&] { return controller->Mark() == 1; }));
  EXPECT_TRUE(controller->View().ChkBoxRunAsService);
  EXPECT_EQ(backend.values["AsService"], "1");
}

// However long the controller's thread takes to handle a success, the worker does not log in
// a second time meanwhile.
TEST_F(AutoLogonTest, ASuccessIsNotRepeatedBeforeTheControllerHandlesIt) {
  SaveCredentials("demo01", "demo-pass");
  Start();
  ASSERT_TRUE(AwaitRequests("QueryUserProfileReq", 1));
  ASSERT_TRUE(clock.WaitForWaiters(1));
  for (int pass = 0; pass < 3; ++pass) {
    clock.Advance(Pass());
    ASSERT_TRUE(clock.WaitForWaiters(1));
  }
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
  EXPECT_EQ(controller->Mark(), 0);
  loop.ProcessPending();
  EXPECT_EQ(controller->Mark(), 1);
  // Logged in: the auto-logon and IP update workers are parked, the list fetch is done.
  AdvanceAndSettle(Pass(), 2);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
}

// A click on "Login" with "Save Password" ticked arms the worker, but the click's own request
// is the attempt: one login goes out, not two.
TEST_F(AutoLogonTest, AManualLoginThatArmsSendsOneRequest) {
  SaveCredentials("demo01", "");
  Control("delay?ms=200&count=1&msg=QueryUserProfileReq");
  StartSettled();
  ASSERT_FALSE(controller->AutoLogonArmed());
  ClickLogin("demo01", "demo-pass");
  EXPECT_TRUE(controller->AutoLogonArmed());
  EXPECT_EQ(controller->Mark(), 1);
  AdvanceAndSettle(Pass(), 2);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
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
