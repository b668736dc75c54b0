// The login command, the account display and the logout.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "SessionFixture.h"
#include "session/ProfileDisplay.h"

namespace kelbrin::session::test {
namespace {

using LoginTest = SessionFixture;

struct InvalidInput {
  const char* user;
  const char* password;
  const char* focus;
};

class InvalidInputTest : public SessionFixture,
                         public ::testing::WithParamInterface<InvalidInput> {};

TEST_P(InvalidInputTest, IsRefusedWithoutARequest) {
  backend.values["UserPwd"] = "stored";
  Start();
  controller->SetEditUserName(GetParam().user);
  controller->SetEditPassword(GetParam().password);
  controller->BtnLogonClick();
  EXPECT_EQ(presenter.Count("popup", "Tip", "Please type a valid name and password！"), 1);
  EXPECT_EQ(presenter.Count("message-beep", "", ""), 1);
  EXPECT_EQ(controller->View().FocusedControl, GetParam().focus);
  EXPECT_EQ(backend.values["UserPwd"], "");
  EXPECT_FALSE(controller->AutoLogonArmed());
  EXPECT_TRUE(controller->View().BtnLogonEnabled);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 0);
}

class ControlCharacterTest : public SessionFixture,
                             public ::testing::WithParamInterface<InvalidInput> {};

TEST_P(ControlCharacterTest, IsRefusedWithAClearMessageAndWithoutARequest) {
  Start();
  controller->SetEditUserName(GetParam().user);
  controller->SetEditPassword(GetParam().password);
  controller->BtnLogonClick();
  EXPECT_EQ(presenter.Count("popup", "Tip",
                            "The user name and the password must not contain control characters "
                            "(such as Escape or a line end)."),
            1);
  EXPECT_EQ(presenter.Count("popup", "Tip", "Please type a valid name and password！"), 0);
  EXPECT_EQ(controller->View().FocusedControl, GetParam().focus);
  EXPECT_TRUE(controller->View().BtnLogonEnabled);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 0);
}

INSTANTIATE_TEST_SUITE_P(Refused, InvalidInputTest,
                         ::testing::Values(InvalidInput{"demo01", "", "EditPassword"},
                                           InvalidInput{"demo01", " ab  ", "EditPassword"},
                                           InvalidInput{"   ", "demo-pass", "EditUserName"},
                                           InvalidInput{"", "", "EditUserName"}));

// A control character cannot travel in the request's XML: the window says so and sends nothing.
INSTANTIATE_TEST_SUITE_P(ControlCharacters, ControlCharacterTest,
                         ::testing::Values(InvalidInput{"demo\x1b"
                                                        "01",
                                                        "demo-pass", "EditUserName"},
                                           InvalidInput{"demo01", "demo\n-pass", "EditPassword"},
                                           InvalidInput{"demo01", "demo-pass\x7f",
                                                        "EditPassword"}));

TEST_F(LoginTest, UserNameIsSentWithItsBlanks) {
  Start();
  ClickLogin("demo01 ", "demo-pass", 1);
  ASSERT_EQ(Requests("QueryUserProfileReq"), 1);
  EXPECT_EQ(service->requests().back().user, "demo01 ");
  // The service knows no such user: its refusal, then the login command's own notice.
  EXPECT_EQ(presenter.Count("error", "Error", "Please register first！"), 1);
  EXPECT_EQ(presenter.Count("popup", "Tip", "Login failure: Please register first！"), 1);
  EXPECT_EQ(controller->Mark(), 0);
}

TEST_F(LoginTest, SuccessSavesTheTypedCredentialsAndSwitchesTheControls) {
  Start();
  controller->SetChkBoxSavePwd(true);
  ClickLogin("demo01", "demo-pass");
  const SessionView& view = controller->View();
  EXPECT_EQ(controller->Mark(), 1);
  EXPECT_EQ(view.BtnLogonCaption, "Logout");
  EXPECT_FALSE(view.EditUserNameEnabled);
  EXPECT_FALSE(view.EditPasswordEnabled);
  EXPECT_TRUE(view.ChkBoxRunAsServiceEnabled);
  EXPECT_TRUE(view.ChkBoxStartupEnabled);
  EXPECT_EQ(backend.values["UserName"], "demo01");
  EXPECT_EQ(backend.values["UserPwd"], "demo-pass");
  EXPECT_EQ(backend.values["SavePwd"], "1");
  EXPECT_EQ(presenter.Count("popup", "Hint", "Congradulation！"), 1);

  controller->BtnLogonClick();
  EXPECT_EQ(view.BtnLogonCaption, "Login");
  EXPECT_TRUE(view.EditUserNameEnabled);
  EXPECT_FALSE(view.ChkBoxStartupEnabled);
  EXPECT_FALSE(view.Image1Visible);
  EXPECT_FALSE(view.labFKXZUrlVisible);
  EXPECT_EQ(presenter.Count("popup", "Hint", "Logout Success！"), 1);
  EXPECT_EQ(backend.values["UserPwd"], "");
  // A logout disarms the auto-logon even with a saved password.
  EXPECT_FALSE(controller->AutoLogonArmed());
}

TEST_F(LoginTest, ControllerThreadStaysFreeWhileALoginRunsAndASecondClickDoesNothing) {
  Control("delay?ms=300&count=1&msg=QueryUserProfileReq");
  Start();
  controller->SetEditUserName("demo01");
  controller->SetEditPassword("demo-pass");
  controller->BtnLogonClick();
  EXPECT_FALSE(controller->View().BtnLogonEnabled);
  EXPECT_FALSE(controller->View().EditPasswordEnabled);
  bool served = false;
  loop.Post([&] { served = true; });
  loop.ProcessPending();
  EXPECT_TRUE(served);
  EXPECT_EQ(controller->Mark(), 0);

  controller->BtnLogonClick();
  ASSERT_TRUE(RunUntil([&] { return controller->View().BtnLogonEnabled; }));
  EXPECT_EQ(controller->Mark(), 1);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
}

TEST_F(LoginTest, AutoLogonThatSucceedsDuringAManualLoginIsHandledAfterItsOutcome) {
  Control("delay?ms=200&count=1&msg=QueryUserProfileReq");
  Control("status?code=500&count=1&msg=QueryUserProfileReq");
  Start();
  controller->SetEditUserName("demo01");
  controller->SetEditPassword("demo-pass");
  controller->BtnLogonClick();
  controller->OnAutoLogonDone(std::make_shared<protocol::TQueryUserProfileResp>());  // the worker's message, while the manual login is under way
  EXPECT_EQ(controller->Mark(), 0);
  ASSERT_TRUE(RunUntil([&] { return controller->View().BtnLogonEnabled; }));

  // The failed manual login logs out first; then the held message logs in.
  EXPECT_EQ(controller->Mark(), 1);
  std::vector<std::string> popups;
  for (const auto& effect : presenter.effects) {
    if (effect.kind == "popup") popups.push_back(effect.text);
  }
  EXPECT_THAT(popups,
              ::testing::ElementsAre("Login failure: Connection failure！",
                                     "Unusual connection,login fails！", "Congradulation！"));
}

TEST_F(LoginTest, ConnectionFailureWithSavedPasswordLogsOutAndTheAutoLogonTakesOver) {
  SaveCredentials("demo01", "demo-pass");
  Control("status?code=500&msg=QueryUserProfileReq");
  Start();
  ClickLogin("demo01", "demo-pass", 1);
  EXPECT_EQ(presenter.Count("popup", "Tip", "Login failure: Connection failure！"), 1);
  EXPECT_EQ(presenter.Count("popup", "Tip", "Unusual connection,login fails！"), 1);
  EXPECT_EQ(controller->View().TrayHint, "Kelbrin client V6.0 -- Logout");
  // The empty State label stays empty.
  EXPECT_EQ(controller->View().Label25, "");
  EXPECT_TRUE(controller->AutoLogonArmed());

  service->reset();
  // The worker's next attempt comes one pass after it sits down to wait, which may be after this
  // point: the clock moves in steps until the worker has logged in.
  ASSERT_TRUE(Eventually([&] {
    clock.Advance(pace.autoLogonWaitStep);
    loop.ProcessPending();
    return controller->Mark() == 1;
  }));
}

TEST_F(LoginTest, LostLoginBeepsOnlyWithTheCutOffLoudspeaker) {
  Control("status?code=500&msg=QueryUserProfileReq");
  Start();
  ClickLogin("demo01", "demo-pass", 1);
  EXPECT_EQ(presenter.Count("beep", "", "6"), 0);
  root->Reminders().SetLoudspeaker(9, true);
  root->Reminders().Ok();
  ClickLogin("demo01", "demo-pass", 1);
  EXPECT_EQ(presenter.Count("beep", "", "6"), 1);
  EXPECT_EQ(presenter.Count("popup", "Tip", "Unusual connection,login fails！"), 2);
}

// Without "Save Password" the password stays in memory for the session's workers but is never
// stored.
TEST_F(LoginTest, APasswordIsStoredOnlyWhileSavePasswordIsTicked) {
  Start();
  controller->SetChkBoxSavePwd(false);
  ClickLogin("demo01", "demo-pass");
  ASSERT_EQ(controller->Mark(), 1);
  EXPECT_EQ(backend.values["UserName"], "demo01");
  EXPECT_EQ(backend.values["UserPwd"], "");
  EXPECT_EQ(backend.values["SavePwd"], "0");
  AdvanceAndSettle(40s, kAfterLogin - 1);  // the list fetch is done; the next active test goes out
  EXPECT_GE(Requests("ActiveTestReq"), 2);
  EXPECT_EQ(controller->Mark(), 1) << "the workers still send the password";

  controller->SetChkBoxSavePwd(true);
  controller->SaveSettings();
  EXPECT_EQ(backend.values["UserPwd"], "demo-pass");
}

// While the error box of an expired account is up, the panel keeps what it showed and nothing
// more is sent; the logout shows once the user has closed the box.
TEST_F(LoginTest, AnExpiredAccountsPanelStaysUntilItsErrorBoxIsClosed) {
  presenter.holdErrorBoxes = true;
  Start();
  ClickLogin("overdue01", "overdue-pass", kAfterLogin - 1);
  EXPECT_EQ(presenter.Count("error", "Error", "The account expires！"), 1);
  EXPECT_EQ(controller->View().Label25, "Service stop");
  EXPECT_EQ(controller->View().Label26, "Overdue User");
  EXPECT_EQ(controller->Mark(), 0) << "the session ended at once";
  // The login's own test may have gone out before the profile was read; none follows it.
  const int tests = Requests("ActiveTestReq");
  AdvanceAndSettle(40s, kAfterLogin - 1);
  EXPECT_EQ(Requests("ActiveTestReq"), tests) << "no test after the refusal";
  EXPECT_EQ(Requests("GetServiceListReq"), 0);

  presenter.CloseErrorBoxes();
  EXPECT_EQ(controller->View().Label25, "");
  EXPECT_EQ(presenter.Count("popup", "Hint", "Logout Success！"), 1);
}

// Two workers refused at once: one box, one logout.
TEST_F(LoginTest, IdenticalRefusalsShowOneBox) {
  presenter.holdErrorBoxes = true;
  Start();
  ClickLogin("demo01", "demo-pass");
  controller->ShowLastError("Password failure！");
  controller->ShowLastError("Password failure！");
  loop.ProcessPending();
  EXPECT_EQ(presenter.Count("error", "Error", "Password failure！"), 1);
  presenter.CloseErrorBoxes();
  EXPECT_EQ(presenter.Count("popup", "Hint", "Logout Success！"), 1);
  controller->ShowLastError("Password failure！");  // a later refusal has a box of its own
  loop.ProcessPending();
  EXPECT_EQ(presenter.Count("error", "Error", "Password failure！"), 2);
}

// The account panel after a login, one account per kind of profile.
struct ProfileCase {
  const char* user;
  const char* password;
  const char* state;     // Label25
  const char* userType;  // Label26
  const char* deadline;  // Label29; "today+N" / "today-N": that date, as the service computes it
  const char* userId;    // Label28
  bool paymentNotice;
  bool expires;
};

// "today+3" as the date the panel shows (the service resolves the same words from its today).
std::string ExpectedDate(const std::string& deadline) {
  if (deadline.rfind("today", 0) != 0) return deadline;
  using namespace std::chrono;
  const int offset = std::stoi(deadline.substr(5));
  const year_month_day date = sys_days(LocalDate(system_clock::now())) + days(offset);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

class ProfileTest : public SessionFixture, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(ProfileTest, PanelShowsTheAccount) {
  const ProfileCase& c = GetParam();
  Start();
  SessionView shown;  // the panel as ShowUserProfile filled it, before any logout cleared it
  controller->SetViewObserver([&](const SessionView& view) {
    if (!view.Label28.empty()) shown = view;
  });
  // An expired account is logged out before its list would be fetched: no fetch is parked.
  ClickLogin(c.user, c.password, c.expires ? kAfterLogin - 1 : kAfterLogin);
  EXPECT_EQ(shown.Label25, c.state);
  EXPECT_EQ(shown.Label26, c.userType);
  EXPECT_EQ(shown.Label29, ExpectedDate(c.deadline));
  EXPECT_EQ(shown.Label28, c.userId);
  EXPECT_EQ(shown.Image1Visible, c.paymentNotice);
  EXPECT_EQ(shown.labFKXZUrlVisible, c.paymentNotice);
  EXPECT_EQ(presenter.Count("error", "Error", "The account expires！"), c.expires ? 1 : 0);
  EXPECT_EQ(controller->Mark(), c.expires ? 0 : 1);
  if (c.expires) {
    EXPECT_FALSE(controller->AutoLogonArmed());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Accounts, ProfileTest,
    ::testing::Values(ProfileCase{"demo01", "demo-pass", "Normal", "Formal user",
                                  "Glory lifetime user", "100001", false, false},
                      // A real deadline is a date (a trial ending in three days).
                      ProfileCase{"trial01", "trial-pass", "Normal", "Trial user", "today+3",
                                  "100003", true, false},
                      ProfileCase{"old01", "old-pass", "Normal", "Trial user", "2015-12-31",
                                  "100006", true, false},
                      ProfileCase{"overdue01", "overdue-pass", "Service stop", "Overdue User",
                                  "today-10", "100004", true, true},
                      // An unreadable deadline skips the deadline alone; the expiry still logs out.
                      ProfileCase{"baddate01", "baddate-pass", "Service stop", "Overdue User", "",
                                  "100007", true, true}),
    [](const ::testing::TestParamInfo<ProfileCase>& param) {
      return std::string(param.param.user);
    });

}  // namespace
}  // namespace kelbrin::session::test
