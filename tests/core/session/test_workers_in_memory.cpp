#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "ScriptedTransport.h"
#include "protocol/PelmarClient.h"
#include "runtime/ManualClock.h"
#include "session/SessionSignals.h"
#include "session/TUpdateIpTrd.h"
#include "settings/ParamInfo.h"

namespace kelbrin::session {
namespace {

using namespace std::chrono_literals;
using ::testing::StrictMock;

class MockReactions : public protocol::ResultReactions {
 public:
  MOCK_METHOD(void, AuthenticateLine, (), (override));
  MOCK_METHOD(void, ShowLastError, (const std::string& text), (override));
};

// The worker's messages as they arrive, without a controller.
class CollectedMessages final : public WorkerMessages {
 public:
  void PostIpStatus(std::string text, bool connectionFailure) override {
    std::lock_guard lock(mutex_);
    statuses_.push_back((connectionFailure ? "fail:" : "info:") + text);
  }
  void PostAutoLogonDone(std::shared_ptr<const protocol::TQueryUserProfileResp>) override {}
  void PostServiceList(ServiceListReply) override {}
  void PostActiveTestAnswered(bool) override {}
  std::vector<std::string> Statuses() {
    std::lock_guard lock(mutex_);
    return statuses_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> statuses_;
};

std::string ActiveReply(const std::string& result, const std::string& ip) {
  return "<PelmarPacket><MsgType>ActiveTestResp</MsgType><Result>" + result + "</Result><UserIP>" +
         ip + "</UserIP></PelmarPacket>";
}

// The IP update worker over the in-memory transport: no server process, the 40 s pace on the
// manual clock.
class UpdateIpInMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::TParamInfo record;
    record.UserName = "demo01";
    record.UserPwd = "demo-pass";
    settings_.Update(record);
    signals_.SetNetReachable(true);
    signals_.SetMark(1);
  }
  void TearDown() override {
    signals_.RequestStop();
    worker_.reset();
  }
  void StartWorker() {
    worker_ = std::make_unique<TUpdateIpTrd>(client_, signals_, settings_, messages_, pace_);
    ASSERT_TRUE(clock_.WaitForWaiters(1));
  }
  // One 40-second pause, then the worker's next test.
  void NextCycle() {
    clock_.Advance(pace_.ipWaitStep * pace_.ipWaitSteps);
    ASSERT_TRUE(clock_.WaitForWaiters(1));
  }

  runtime::ManualClock clock_;
  runtime::Pace pace_;
  SessionSignals signals_{clock_};
  settings::ParamInfoStore settings_;
  kelbrin::test::ScriptedTransport transport_;
  StrictMock<MockReactions> reactions_;
  protocol::PelmarClient client_{transport_, &reactions_};
  CollectedMessages messages_;
  std::unique_ptr<TUpdateIpTrd> worker_;
};

TEST_F(UpdateIpInMemory, ReportsEachNewAddressAndALostConnectionOnce) {
  transport_.Script({ActiveReply("0", "203.0.113.7"), ActiveReply("0", "203.0.113.7"), "", "",
                     ActiveReply("0", "198.51.100.23")});
  StartWorker();
  for (int cycle = 0; cycle < 4; ++cycle) NextCycle();

  EXPECT_EQ(messages_.Statuses(),
            (std::vector<std::string>{"info:IP updates successfully：203.0.113.7",
                                      "fail:Connection fails！",
                                      "info:IP updates successfully：198.51.100.23"}));
  EXPECT_EQ(transport_.CountWith("<MsgType>ActiveTestReq</MsgType>"), 5);
  EXPECT_EQ(worker_->CurrentIp(), "198.51.100.23");
}

TEST_F(UpdateIpInMemory, ARefusalGoesToTheReactionsWithItsText) {
  transport_.Script({ActiveReply("102", "")});
  EXPECT_CALL(reactions_, ShowLastError(std::string("Password failure！")));
  StartWorker();

  EXPECT_EQ(messages_.Statuses(), std::vector<std::string>{"info:Password failure！"});
  EXPECT_EQ(client_.LastResultCode(), 102);
}

}  // namespace
}  // namespace kelbrin::session
