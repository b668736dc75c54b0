// The dialer against the fake pppd, in a network namespace of the test's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <future>
#include <sstream>

#include "DialTestSupport.h"
#include "PppTestbed.h"
#include "lines/TDialUp.h"
#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;
using Event = test::DialEvent;

constexpr const char* kPassword = "Pw-9f3k \"unique\"";

class DialUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bed_.Unusable().empty()) GTEST_SKIP() << "dial-up tests skipped: " << bed_.Unusable();
    bed_.AddAccount("alice", kPassword);
  }

  std::unique_ptr<TDialUp> MakeDialer(std::chrono::milliseconds hangUpBound = 2000ms) {
    pppd_ = std::make_unique<platform::Pppd>(bed_.Setup(hangUpBound));
    auto dialer = std::make_unique<TDialUp>(bed_.Phonebook(*pppd_), tasks_.Post());
    dialer->Entry = "adsl";
    dialer->UserName = "alice";
    dialer->UserPwd = kPassword;
    dial_.Attach(*dialer);
    return dialer;
  }

  kelbrin::test::PppTestbed bed_;
  std::unique_ptr<platform::Pppd> pppd_;
  test::PostedTasks tasks_;
  test::DialRecorder dial_;
};

TEST_F(DialUpTest, ASynchronousDialConnectsAndAHangUpEndsTheLink) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  bed_.AddPeer("isdn", "10.65.0.1", "10.65.0.2");
  auto dialer = MakeDialer();
  dialer->DialMode = TDialMode::dmSync;
  std::vector<std::string> got;
  dialer->OnEntryGet = [&got](TDialUp&, const std::string& name) { got.push_back(name); };
  ASSERT_EQ(dialer->GetEntries(), 0);
  EXPECT_EQ(dialer->Entries(), (std::vector<std::string>{"adsl", "isdn"}));
  EXPECT_EQ(got, dialer->Entries());

  ASSERT_EQ(dialer->Dial(), 0);
  EXPECT_EQ(dial_.calls, (std::vector<std::string>{"dialing", "connect"}));
  const auto link = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(dialer->ConnHandle(), link->handle);
  ASSERT_EQ(dialer->GetConnectionAddresses(dialer->ConnHandle()), 0);
  EXPECT_EQ(dialer->ClientIP(), "10.64.0.1");
  EXPECT_EQ(dialer->ServerIP(), "10.64.0.2");
  EXPECT_TRUE(dial_.events.empty());

  EXPECT_EQ(dialer->HangUp(), 0);
  EXPECT_FALSE(pppd_->LinkOfEntry("adsl").has_value());
  // The handle stays until the next dial; the link under it is gone.
  EXPECT_EQ(dialer->ConnHandle(), link->handle);
  EXPECT_EQ(dialer->GetConnectionAddresses(link->handle), platform::kNoSuchLink);
  EXPECT_EQ(dialer->ClientIP(), "");
}

TEST_F(DialUpTest, AFailedAuthenticationIsReportedWithCodeAndText) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  auto dialer = MakeDialer();
  dialer->DialMode = TDialMode::dmSync;
  dialer->UserPwd = "wrong";
  EXPECT_EQ(dialer->Dial(), 1019);
  EXPECT_EQ(dial_.calls,
            (std::vector<std::string>{"dialing",
                                      "not connected 1019 pppd: authentication failed: the user "
                                      "name or password was not accepted"}));
  EXPECT_FALSE(dialer->ConnHandle());
  EXPECT_TRUE(pppd_->Links().empty());
}

TEST_F(DialUpTest, AnEntryOutsideThePhonebookIsNotDialled) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  for (const TDialMode mode : {TDialMode::dmSync, TDialMode::dmAsync}) {
    dial_.calls.clear();
    auto dialer = MakeDialer();
    dialer->DialMode = mode;
    dialer->Entry = "missing";
    EXPECT_EQ(dialer->Dial(), platform::kPeerUnreadable);
    EXPECT_EQ(dial_.calls, (std::vector<std::string>{"error 1302 GetEntryDialParams failed"}));
    EXPECT_FALSE(std::filesystem::exists(bed_.PrivateDir()));
  }
}

TEST_F(DialUpTest, AnAsynchronousDialReportsEachStateThroughTheOneSlotRelay) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  auto dialer = MakeDialer();
  dialer->DialMode = TDialMode::dmAsync;
  ASSERT_EQ(dialer->Dial(), 0);
  EXPECT_EQ(dial_.calls, (std::vector<std::string>{"dialing"}));
  dial_.DeliverUntilDialEnds(tasks_);
  EXPECT_EQ(dial_.events, (std::vector<Event>{{0, 0, "Opening port"},
                                              {1, 0, "Port opened"},
                                              {4, 0, "All devices connected"},
                                              {5, 0, "Start authenticating"},
                                              {14, 0, "Authenticated"},
                                              {18, 0, "Projected"},
                                              {8192, 0, "Connected"}}));
  // A notification waits until the one before it has been delivered.
  EXPECT_EQ(tasks_.MaxQueued(), 1u);
  const auto link = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(dialer->ConnHandle(), link->handle);
  EXPECT_EQ(dialer->HangUp(), 0);
}

TEST_F(DialUpTest, AnAsynchronousDialReportsAFailureInTheChosenLanguage) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  auto dialer = MakeDialer();
  dialer->DialMode = TDialMode::dmAsync;
  dialer->Language = TLanguage::Czech;
  dialer->UserPwd = "wrong";
  ASSERT_EQ(dialer->Dial(), 0);
  dial_.DeliverUntilDialEnds(tasks_);
  ASSERT_GE(dial_.events.size(), 2u);
  EXPECT_EQ(dial_.events.front(), (Event{0, 0, "Otev\xEDr\xE1 se port"}));
  // The error comes with the last state pppd showed.
  EXPECT_EQ(dial_.events.back(), (Event{8193, 1019, platform::PppdErrorText(1019)}));
}

TEST_F(DialUpTest, ADelayedDeliveryAfterTheDialerIsGoneDoesNothing) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2", {"delay-ms 5000"});
  auto dialer = MakeDialer(300ms);
  dialer->DialMode = TDialMode::dmAsync;
  ASSERT_EQ(dialer->Dial(), 0);
  for (int round = 0; round < 500 && tasks_.MaxQueued() == 0; ++round) ::usleep(5000);
  ASSERT_EQ(tasks_.MaxQueued(), 1u);
  dialer.reset();  // ends the dial in progress
  EXPECT_TRUE(tasks_.RunPending());
  EXPECT_TRUE(dial_.events.empty());
  EXPECT_TRUE(pppd_->Links().empty());
}

TEST_F(DialUpTest, AbortDialEndsASynchronousDialInProgress) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2", {"delay-ms 20000"});
  auto dialer = MakeDialer(300ms);
  dialer->DialMode = TDialMode::dmSync;
  std::atomic<bool> dialing{false};
  dialer->OnDialing = [&dialing](TDialUp&) { dialing = true; };
  auto dial = std::async(std::launch::async, [&dialer] { return dialer->Dial(); });
  for (int round = 0; round < 500 && !dialing; ++round) ::usleep(5000);
  ASSERT_TRUE(dialing);
  dialer->AbortDial();
  ASSERT_EQ(dial.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(dial.get(), platform::kDialCancelled);
}

TEST_F(DialUpTest, TheBoundedHangUpEndsAPppdThatIgnoresSigterm) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2", {"hang"});
  auto dialer = MakeDialer(300ms);
  dialer->DialMode = TDialMode::dmSync;
  ASSERT_EQ(dialer->Dial(), 0);
  const pid_t pid = dialer->ConnHandle().id;
  EXPECT_EQ(dialer->HangUp(), 0);
  EXPECT_FALSE(platform::ProcessAlive(pid));
  EXPECT_TRUE(pppd_->Links().empty());
}

TEST_F(DialUpTest, HandlesWithoutALink) {
  auto dialer = MakeDialer();
  EXPECT_EQ(dialer->GetConnectionAddresses({}), 0);
  EXPECT_EQ(dialer->ClientIP(), "");
  EXPECT_EQ(dialer->ServerIP(), "");
  // A handle the facility rejects fails at once.
  EXPECT_EQ(dialer->HangUpConnection({pppd_.get(), ::getpid()}), platform::kNoSuchLink);
  EXPECT_EQ(dialer->HangUp(), platform::kNoSuchLink);
}

TEST_F(DialUpTest, StatisticsCountFromTheBase) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  auto dialer = MakeDialer();
  dialer->DialMode = TDialMode::dmSync;
  EXPECT_FALSE(dialer->ReadStats());  // no link yet
  EXPECT_FALSE(dialer->StatsStartStop(true, true));
  EXPECT_EQ(dialer->BytesRecv(), 0u);
  ASSERT_EQ(dialer->Dial(), 0);
  const pid_t pid = dialer->ConnHandle().id;

  const auto peerSends = [&](std::uint64_t expected) {
    ::kill(pid, SIGUSR1);
    for (int round = 0; round < 500; ++round) {
      if (dialer->ReadStats() && dialer->BytesRecv() == expected) return true;
      ::usleep(10000);
    }
    return false;
  };
  EXPECT_TRUE(peerSends(48));
  EXPECT_TRUE(peerSends(96));
  EXPECT_TRUE(dialer->StatsStartStop(true, true));
  EXPECT_EQ(dialer->BytesRecv(), 0u);
  EXPECT_EQ(dialer->BytesXmit(), 0u);
  EXPECT_TRUE(peerSends(48));
}

TEST_F(DialUpTest, ThePasswordIsInNoArgvOrEnvironmentDuringADial) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2", {"delay-ms 300"});
  auto dialer = MakeDialer();
  dialer->DialMode = TDialMode::dmSync;
  auto dial = std::async(std::launch::async, [&dialer] { return dialer->Dial(); });
  bool sawPppd = false;
  bool sawPassword = false;
  while (dial.wait_for(0ms) != std::future_status::ready) {
    for (const auto& [argv, environment] : test::ProcessArgvAndEnv()) {
      if (argv.find("fake_pppd") != std::string::npos &&
          argv.find(std::string("call\0adsl", 9)) != std::string::npos) {
        sawPppd = true;
      }
      if (argv.find("Pw-9f3k") != std::string::npos ||
          environment.find("Pw-9f3k") != std::string::npos) {
        sawPassword = true;
      }
    }
  }
  EXPECT_EQ(dial.get(), 0);
  EXPECT_TRUE(sawPppd);
  EXPECT_FALSE(sawPassword);
  EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir()));
}

}  // namespace
}  // namespace kelbrin::lines
