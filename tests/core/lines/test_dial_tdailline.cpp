// The "Virtual Dial-up" line kind over its dialer, against the fake pppd.
#include <gtest/gtest.h>
#include <net/if.h>
#include <signal.h>
#include <unistd.h>

#include "DialTestSupport.h"
#include "PppTestbed.h"
#include "lines/TDailLine.h"
#include "platform/PppdErrors.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;

class TDailLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bed_.Unusable().empty()) GTEST_SKIP() << "dial-up tests skipped: " << bed_.Unusable();
    bed_.AddAccount("alice", "secret");
    bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
    pppd_ = std::make_unique<platform::Pppd>(bed_.Setup(500ms));
  }

  std::unique_ptr<TDailLine> MakeLine(platform::Pppd& pppd) {
    auto line = std::make_unique<TDailLine>(TDailLineSeams{
        &pppd, tasks_.Post(), [this](const std::string& address) {
          addressesAsked_.push_back(address);
          const auto link = pppd_->LinkOfEntry("adsl");
          return link ? ::if_nametoindex(link->interface.c_str()) : 0u;
        }});
    line->Errors.push_back("left over");
    line->AdptIndex = 7;
    line->Initialize();
    line->EntryName = "adsl";
    line->UserName = "alice";
    line->Password = "secret";
    return line;
  }

  kelbrin::test::PppTestbed bed_;
  std::unique_ptr<platform::Pppd> pppd_;
  test::PostedTasks tasks_;
  std::vector<std::string> addressesAsked_;
};

TEST_F(TDailLineTest, InitializeStartsClean) {
  const auto line = MakeLine(*pppd_);
  EXPECT_TRUE(line->Errors.empty());
  EXPECT_EQ(line->AdptIndex, 0u);
  EXPECT_FALSE(line->KeepActive);
  EXPECT_EQ(line->Describe(), "ClassName: TDailLine");
  EXPECT_TRUE(line->Authenticate());
  EXPECT_EQ(line->GetIpAddress(), "");
}

TEST_F(TDailLineTest, SetActiveDialsAndHangsUp) {
  const auto line = MakeLine(*pppd_);
  EXPECT_FALSE(line->GetActive());
  line->SetActive(true);
  EXPECT_TRUE(line->GetActive());
  EXPECT_EQ(line->GetIpAddress(), "10.64.0.1");
  EXPECT_NE(line->AdptIndex, 0u);
  EXPECT_EQ(addressesAsked_.front(), "10.64.0.1");
  line->SetActive(false);
  EXPECT_FALSE(line->GetActive());
}

// What the keep-alive worker does in one pass: a line found down is brought up.
TEST_F(TDailLineTest, ALinkThatDroppedIsFoundDownAndRedialled) {
  const auto line = MakeLine(*pppd_);
  ASSERT_EQ(line->Connect(), 0);
  const auto first = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(first.has_value());
  ::kill(first->pid, SIGUSR2);  // the peer hangs up
  for (int round = 0; round < 500 && platform::ProcessAlive(first->pid); ++round) ::usleep(10000);
  ASSERT_FALSE(platform::ProcessAlive(first->pid));

  EXPECT_FALSE(line->GetActive());
  line->SetActive(true);
  EXPECT_TRUE(line->GetActive());
  const auto second = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(second->pid, first->pid);
  EXPECT_EQ(line->GetIpAddress(), "10.64.0.1");
}

TEST_F(TDailLineTest, DestroyingTheLineLeavesTheConnectionUp) {
  auto line = MakeLine(*pppd_);
  ASSERT_EQ(line->Connect(), 0);
  line.reset();
  const auto link = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_TRUE(link->connected);
  EXPECT_EQ(pppd_->HangUp(link->pid), 0);
}

TEST_F(TDailLineTest, AMissingPppdLeavesOneErrorLine) {
  platform::PppdSetup setup = bed_.Setup();
  setup.program = (bed_.RunDir() / "no-pppd").string();
  platform::Pppd missing(setup);
  const auto line = MakeLine(missing);
  EXPECT_EQ(line->Connect(), platform::kPppdNotStartable);
  ASSERT_EQ(line->Errors.size(), 1u);
  EXPECT_TRUE(line->Errors.front().starts_with("ErrorCode:1301#9ErrorMessage:pppd cannot be"));
  EXPECT_FALSE(line->GetActive());
}

}  // namespace
}  // namespace kelbrin::lines
