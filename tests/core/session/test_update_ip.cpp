// The road of one active test: login, active tests every 40 s, the window side of WM_IP_STATUS.
#include <gtest/gtest.h>

#include "SessionFixture.h"

namespace kelbrin::session::test {
namespace {

constexpr const char* kFails = "Connection fails！";
constexpr const char* kFailure = "Connection failure！";
const std::string kUpdated = "IP updates successfully：";

// After a login: the auto-logon worker and the IP update worker are parked; the service-list
// fetch has been let through.
class UpdateIpTest : public SessionFixture {
 protected:
  static constexpr std::size_t kParked = 2;
  static constexpr auto kTestPace = 40s;

  // With saved credentials the auto-logon worker logs in at once; else a click does.
  void LoginDemo(bool automatic = false) {
    Start();
    if (automatic) {
      ASSERT_TRUE(RunUntil([&] { return controller->Mark() == 1; }));
      ASSERT_TRUE(clock.WaitForWaiters(kAfterLogin));
    } else {
      ClickLogin("demo01", "demo-pass");
    }
    ASSERT_EQ(controller->Mark(), 1);
    ASSERT_TRUE(AwaitRequests("ActiveTestReq", 1));
    clock.Advance(pace.serviceListDelay);
    ASSERT_TRUE(RunUntil([&] { return controller->ServiceList() != nullptr; }));
    ASSERT_TRUE(clock.WaitForWaiters(kParked));
    loop.ProcessPending();
  }
  int Hints(const std::string& text) const { return presenter.Count("popup", "Hint", text); }
  int Tips(const std::string& text) const { return presenter.Count("popup", "Tip", text); }
};

TEST_F(UpdateIpTest, FirstTestReportsTheAddressOnThePanelAndInTheLog) {
  LoginDemo();
  EXPECT_EQ(Hints(kUpdated + "127.0.0.1"), 1);
  EXPECT_EQ(controller->View().Label27, "127.0.0.1");
  EXPECT_EQ(controller->CurrentIp(), "127.0.0.1");
  const auto& log = root->EventLog().List();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.at(0).text, kUpdated + "127.0.0.1");
  EXPECT_EQ(log.at(1).text, "Congradulation！");
  EXPECT_EQ(controller->View().TrayHint, "Kelbrin client V6.0 -- Online");
  EXPECT_EQ(controller->View().TrayIconIndex, 3);
}

TEST_F(UpdateIpTest, SameAddressIsSilentAndEachChangeIsReportedOnce) {
  LoginDemo();
  AdvanceAndSettle(kTestPace, kParked);
  ASSERT_EQ(Requests("ActiveTestReq"), 2);
  EXPECT_EQ(Hints(kUpdated + "127.0.0.1"), 1);

  Control("userip?ip=198.51.100.9");
  AdvanceAndSettle(kTestPace, kParked);
  AdvanceAndSettle(kTestPace, kParked);
  ASSERT_EQ(Requests("ActiveTestReq"), 4);
  EXPECT_EQ(Hints(kUpdated + "198.51.100.9"), 1);
  EXPECT_EQ(controller->View().Label27, "198.51.100.9");
}

TEST_F(UpdateIpTest, NothingIsSentBeforeTheWaitHasRunOut) {
  LoginDemo();  // the list fetch took serviceListDelay of the wait
  AdvanceAndSettle(kTestPace - pace.serviceListDelay - 1s, kParked);
  EXPECT_EQ(Requests("ActiveTestReq"), 1);
  AdvanceAndSettle(1s, kParked);
  EXPECT_EQ(Requests("ActiveTestReq"), 2);
}

TEST_F(UpdateIpTest, ServiceDownGivesOneFailureThenSilenceUntilANewAddress) {
  LoginDemo();
  Control("status?code=500");
  for (int cycle = 0; cycle < 3; ++cycle) AdvanceAndSettle(kTestPace, kParked);
  ASSERT_EQ(Requests("ActiveTestReq"), 4);
  EXPECT_EQ(Tips(kFails), 1);
  EXPECT_TRUE(controller->IpFailFlag());
  // The failure is popped up but not logged.
  EXPECT_NE(root->EventLog().List().at(0).text, kFails);

  service->reset();
  Control("userip?ip=203.0.113.50");
  AdvanceAndSettle(kTestPace, kParked);
  EXPECT_EQ(Hints(kUpdated + "203.0.113.50"), 1);
  EXPECT_FALSE(controller->IpFailFlag());
  EXPECT_EQ(Tips(kFails), 1);
}

// The tray follows every active test: Online turns into "Connection fails！" at the first test
// left unanswered, back at the next answer, and again at a later failure even though the popup
// stays silent after a return at the same address. A new login starts Online.
TEST_F(UpdateIpTest, TrayShowsConnectionFailsWhileTheTestsGoUnanswered) {
  const std::string kFailing = "Kelbrin client V6.0 -- Connection fails！";
  const std::string kOnline = "Kelbrin client V6.0 -- Online";
  LoginDemo();
  const SessionView& view = controller->View();
  const auto failThenAnswer = [&] {
    Control("status?code=500");
    AdvanceAndSettle(kTestPace, kParked);
    EXPECT_EQ(view.TrayHint, kFailing);
    EXPECT_NE(view.TrayIconIndex, 3);
    AdvanceAndSettle(kTestPace, kParked);
    EXPECT_EQ(view.TrayHint, kFailing);
    service->reset();
    AdvanceAndSettle(kTestPace, kParked);
    EXPECT_EQ(view.TrayHint, kOnline);
    EXPECT_EQ(view.TrayIconIndex, 3);
  };
  failThenAnswer();
  failThenAnswer();
  EXPECT_EQ(Tips(kFails), 1);

  Control("status?code=500");
  AdvanceAndSettle(kTestPace, kParked);
  ASSERT_EQ(view.TrayHint, kFailing);
  controller->BtnLogonClick();  // logout
  EXPECT_EQ(view.TrayHint, "Kelbrin client V6.0 -- Logout");
  service->reset();
  ClickLogin("demo01", "demo-pass");
  EXPECT_EQ(view.TrayHint, kOnline);
  EXPECT_EQ(view.TrayIconIndex, 3);
}

TEST_F(UpdateIpTest, WorkerThatNeverParsedAReplyReportsConnectionFailureAsInformation) {
  Control("status?code=500&msg=ActiveTestReq");
  Start();
  ClickLogin("demo01", "demo-pass");
  ASSERT_TRUE(AwaitRequests("ActiveTestReq", 1));
  clock.Advance(pace.serviceListDelay);
  ASSERT_TRUE(RunUntil([&] { return controller->ServiceList() != nullptr; }));
  ASSERT_TRUE(clock.WaitForWaiters(kParked));
  loop.ProcessPending();
  EXPECT_EQ(Tips(kFails), 1);

  AdvanceAndSettle(kTestPace, kParked);
  AdvanceAndSettle(kTestPace, kParked);
  EXPECT_EQ(Tips(kFails), 1);
  EXPECT_EQ(Hints(kFailure), 2);
  EXPECT_EQ(controller->Mark(), 1);
  EXPECT_EQ(root->Pelmar().LastResultCode(), 1);
}

TEST_F(UpdateIpTest, RefusalLogsOutOnTheControllerThreadAndStopsTheTests) {
  SaveCredentials("demo01", "demo-pass");
  LoginDemo(true);
  ASSERT_TRUE(controller->AutoLogonArmed());
  Control("result?code=102&msg=ActiveTestReq&count=1");
  AdvanceAndSettle(kTestPace, kParked);
  ASSERT_TRUE(RunUntil([&] { return controller->Mark() == 0; }));

  ASSERT_EQ(presenter.Count("error", "Error", "Password failure！"), 1);
  for (const auto& effect : presenter.effects) {
    EXPECT_EQ(effect.thread, std::this_thread::get_id()) << effect.kind << " " << effect.text;
  }
  EXPECT_FALSE(controller->AutoLogonArmed());
  EXPECT_EQ(controller->View().TrayHint, "Kelbrin client V6.0 -- Logout");
  EXPECT_EQ(controller->View().BtnLogonCaption, "Login");

  const int sent = Requests("ActiveTestReq");
  for (int cycle = 0; cycle < 3; ++cycle) AdvanceAndSettle(kTestPace, kParked);
  EXPECT_EQ(Requests("ActiveTestReq"), sent);
  EXPECT_EQ(Requests("QueryUserProfileReq"), 1);
  EXPECT_TRUE(controller->CurrentIp().empty());
}

TEST_F(UpdateIpTest, LogoutDuringTheWaitClearsTheAddressAndTheNextLoginReportsItAgain) {
  LoginDemo();
  controller->BtnLogonClick();  // logout
  ASSERT_EQ(controller->Mark(), 0);
  // No clock step: the wait ends on the logout itself.
  EXPECT_TRUE(Eventually([&] { return controller->CurrentIp().empty(); }));
  EXPECT_EQ(backend.values["UserPwd"], "");
  EXPECT_EQ(root->EventLog().List().at(0).text, "Logout Success！");
  EXPECT_EQ(controller->View().TrayHint, "Kelbrin client V6.0 -- Logout");
  EXPECT_TRUE(controller->View().Label27.empty());
  EXPECT_EQ(controller->ServiceList(), nullptr);

  ClickLogin("demo01", "demo-pass");
  ASSERT_TRUE(AwaitRequests("ActiveTestReq", 2));
  ASSERT_TRUE(RunUntil([&] { return Hints(kUpdated + "127.0.0.1") == 2; }));
  EXPECT_EQ(controller->View().Label27, "127.0.0.1");
}

TEST_F(UpdateIpTest, IdleWhileLoggedOut) {
  Start();
  for (int cycle = 0; cycle < 3; ++cycle) AdvanceAndSettle(kTestPace, 1);
  EXPECT_EQ(Requests("ActiveTestReq"), 0);
  EXPECT_EQ(presenter.Count("popup", "", "Connection fails！"), 0);
}

TEST_F(UpdateIpTest, EmptyServiceListTurnsTheStateLabelIntoPleaseRegister) {
  // Result 0 with no domain at all.
  Control("result?code=0&msg=GetServiceListReq&count=1");
  Start();
  ClickLogin("nodomain01", "nodomain-pass");
  ASSERT_TRUE(AwaitRequests("ActiveTestReq", 1));
  clock.Advance(pace.serviceListDelay);
  ASSERT_TRUE(RunUntil([&] { return controller->ServiceList() != nullptr; }));
  EXPECT_TRUE(controller->ServiceList()->DomainInfos.empty());
  ASSERT_TRUE(clock.WaitForWaiters(kParked));
  loop.ProcessPending();

  Control("userip?ip=198.51.100.77");
  AdvanceAndSettle(kTestPace, kParked);
  EXPECT_EQ(controller->View().Label25, "Please register first！");
  EXPECT_NE(controller->View().Label27, "198.51.100.77");
  EXPECT_EQ(Hints(kUpdated + "198.51.100.77"), 1);
}

}  // namespace
}  // namespace kelbrin::session::test
