// The end of the process: every worker stopped and joined, nothing reported afterwards.
#include <gtest/gtest.h>

#include "SessionFixture.h"

namespace kelbrin::session::test {
namespace {

using ShutdownTest = SessionFixture;

TEST_F(ShutdownTest, AbortsTheExchangeInFlightAndJoinsEveryWorker) {
  // Without the abort the worker would sit in its exchange for minutes (and the test time out).
  pace.receiveTimeout = 300000ms;
  Start();
  ClickLogin("demo01", "demo-pass");
  Control("delay?ms=300000&msg=ActiveTestReq");
  clock.advance(40s);  // the next active test starts and hangs in the service
  ASSERT_TRUE(AwaitRequests("ActiveTestReq", 1));
  const std::size_t effects = presenter.effects.size();

  controller.reset();
  // Whatever the workers posted on their way out is dropped.
  loop.processPending();
  EXPECT_EQ(presenter.effects.size(), effects);
}

TEST_F(ShutdownTest, ALoginUnderWayIsAbortedToo) {
  pace.receiveTimeout = 300000ms;
  Control("delay?ms=300000&msg=QueryUserProfileReq");
  Start();
  controller->SetEditUserName("demo01");
  controller->SetEditPassword("demo-pass");
  controller->BtnLogonClick();
  const std::size_t effects = presenter.effects.size();
  controller.reset();
  loop.processPending();
  EXPECT_EQ(presenter.effects.size(), effects);
}

}  // namespace
}  // namespace kelbrin::session::test
