// The service-list worker and the window side of WM_SERVICE_LIST.
#include <gtest/gtest.h>

#include <memory>

#include "SessionFixture.h"

namespace kelbrin::session::test {
namespace {

using ServiceListTest = SessionFixture;

std::shared_ptr<const protocol::TGetServiceListResp> ListOf(const std::string& userId) {
  auto list = std::make_shared<protocol::TGetServiceListResp>();
  list->Result = "0";
  list->UserID = userId;
  return list;
}

TEST_F(ServiceListTest, OneFetchAfterTheDelayFillsTheDomainTree) {
  Start();
  ClickLogin("demo01", "demo-pass");
  AdvanceAndSettle(pace.serviceListDelay - 1ms, kAfterLogin);
  EXPECT_EQ(Requests("GetServiceListReq"), 0);
  clock.Advance(1ms);
  ASSERT_TRUE(RunUntil([&] { return controller->ServiceList() != nullptr; }));
  EXPECT_EQ(controller->ServiceList()->DomainInfos.size(), 1u);
  EXPECT_EQ(controller->View().DomainTree, controller->ServiceList());
  EXPECT_EQ(Requests("GetServiceListReq"), 1);

  // A logout frees the list and clears the tree.
  controller->BtnLogonClick();
  EXPECT_EQ(controller->ServiceList(), nullptr);
  EXPECT_EQ(controller->View().DomainTree, nullptr);
}

// The domain page shows a fetch under way until it ends, with a list, a refusal or no reply.
TEST_F(ServiceListTest, AFetchIsUnderWayUntilItsReplyOrItsEnd) {
  Start();
  const SessionView& view = controller->View();
  EXPECT_FALSE(view.ServiceListFetching);
  ClickLogin("demo01", "demo-pass");
  EXPECT_TRUE(view.ServiceListFetching);
  clock.Advance(pace.serviceListDelay);
  ASSERT_TRUE(RunUntil([&] { return controller->ServiceList() != nullptr; }));
  EXPECT_FALSE(view.ServiceListFetching);

  Control("status?code=500&msg=GetServiceListReq");
  controller->RefreshServiceList();
  EXPECT_TRUE(view.ServiceListFetching);
  ASSERT_TRUE(clock.WaitForWaiters(kAfterLogin));
  clock.Advance(pace.serviceListDelay);
  ASSERT_TRUE(RunUntil([&] { return !view.ServiceListFetching; }));
  // No reply is no refusal: nothing is notified for it.
  EXPECT_EQ(presenter.Count("popup", "Hint", ""), 0);

  service->reset();
  controller->OnServiceList({99, nullptr, "Host Information：unknown Error"});
  EXPECT_FALSE(view.ServiceListFetching);
}

TEST_F(ServiceListTest, TwoLoginsInQuickSuccessionFetchTwice) {
  Start();
  ClickLogin("demo01", "demo-pass");
  controller->BtnLogonClick();  // logout
  ClickLogin("demo01", "demo-pass", kAfterLogin + 1);
  clock.Advance(pace.serviceListDelay);
  ASSERT_TRUE(AwaitRequests("GetServiceListReq", 2));
  ASSERT_TRUE(RunUntil([&] { return controller->ServiceList() != nullptr; }));
  EXPECT_EQ(controller->ServiceList()->UserID, "100001");
}

TEST_F(ServiceListTest, TheLaterStartedFetchWinsWhicheverAnswersLast) {
  Start();
  const auto earlier = ListOf("earlier");
  const auto later = ListOf("later");
  controller->OnServiceList({2, later, {}});
  controller->OnServiceList({1, earlier, {}});
  EXPECT_EQ(controller->ServiceList(), later);
  EXPECT_EQ(controller->View().DomainTree, later);
  controller->OnServiceList({3, earlier, {}});
  EXPECT_EQ(controller->ServiceList(), earlier);
}

TEST_F(ServiceListTest, RefusalIsNotifiedAndLogsOut) {
  Start();
  ClickLogin("nodomain01", "nodomain-pass");  // the service has no list for it: Result 100
  clock.Advance(pace.serviceListDelay);
  ASSERT_TRUE(RunUntil([&] { return controller->Mark() == 0; }));
  EXPECT_EQ(presenter.Count("error", "Error", "Please register first！"), 1);
  EXPECT_EQ(controller->ServiceList(), nullptr);
}

TEST_F(ServiceListTest, RefusalWhileStillLoggedInIsNotified) {
  Start();
  ClickLogin("demo01", "demo-pass");
  controller->OnServiceList({1, nullptr, "Host Information：unknown Error"});
  EXPECT_EQ(presenter.Count("popup", "Hint", "Host Information：unknown Error"), 1);
  EXPECT_EQ(root->EventLog().List().at(0).text, "Host Information：unknown Error");
}

TEST_F(ServiceListTest, EmptyReplyCountsAsConnectionFailureAndKeepsTheList) {
  HoldCountingLine();
  Start();
  const int loginsAtStart = lineLogins;  // the line's own start logs it in once
  Control("status?code=500&msg=GetServiceListReq");
  ClickLogin("demo01", "demo-pass");
  clock.Advance(pace.serviceListDelay);
  ASSERT_TRUE(AwaitRequests("GetServiceListReq", 1));
  ASSERT_TRUE(RunUntil([&] { return lineLogins == loginsAtStart + 1; }));
  EXPECT_EQ(controller->ServiceList(), nullptr);
  EXPECT_EQ(controller->Mark(), 1);
  EXPECT_EQ(root->Pelmar().LastErrorText(), "Connection failure！");
}

// A list without domains asks the subscriber to register, where the list arrives: a session
// without a window (the service) keeps the rule too.
TEST_F(ServiceListTest, AListWithoutDomainsAsksToRegisterWithoutAWindow) {
  Start();
  ClickLogin("demo01", "demo-pass");
  ASSERT_TRUE(AwaitRequests("ActiveTestReq", 1));
  clock.Advance(pace.serviceListDelay);
  ASSERT_TRUE(RunUntil([&] { return controller->ServiceList() != nullptr; }));
  ASSERT_TRUE(RunUntil([&] { return controller->View().Label27 == "127.0.0.1"; }));
  EXPECT_EQ(controller->Facts().domainCount, 1u);
  EXPECT_EQ(controller->Facts().address, "127.0.0.1");

  controller->OnServiceList({99, ListOf("100001"), {}});
  EXPECT_EQ(controller->View().Label25, "Please register first！");
  EXPECT_EQ(controller->View().Label27, "");
  EXPECT_EQ(controller->Facts().domainCount, 0u);
  EXPECT_EQ(controller->Facts().state, SessionState::Online);
}

}  // namespace
}  // namespace kelbrin::session::test
