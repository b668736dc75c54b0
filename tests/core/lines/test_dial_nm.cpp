// The dialer over a phonebook of pppd peers and NetworkManager's dial-up connections, against the
// fake pppd and the fake nmcli, in a network namespace of the test's own.
#include <gtest/gtest.h>
#include <net/if.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <future>

#include "DialTestSupport.h"
#include "Eventually.h"
#include "PppTestbed.h"
#include "lines/DialUpRegistration.h"
#include "lines/NetHelpers.h"
#include "lines/TDialUp.h"
#include "platform/dialup/NmDialErrors.h"
#include "platform/dialup/NmDialUp.h"
#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;
using kelbrin::test::Eventually;
using Event = test::DialEvent;
using kelbrin::test::NmProfile;

constexpr const char* kPassword = "Nm-5h8w \"unique\"";

class NmDialerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bed_.Unusable().empty()) GTEST_SKIP() << "dial-up tests skipped: " << bed_.Unusable();
    bed_.StartNetworkManager();
    bed_.AddAccount("alice", "pppd-secret");
    bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
    bed_.AddPeer("Shared", "10.65.0.1", "10.65.0.2");
    bed_.AddNmProfile({.name = "Wired connection 1", .type = "802-3-ethernet"});
    bed_.AddNmProfile({.name = "DSL", .user = "alice", .password = kPassword});
    bed_.AddNmProfile({.name = "Shared", .type = "gsm", .password = kPassword});
    bed_.AddNmProfile(
        {.name = "Mobile", .type = "gsm", .password = kPassword, .local = "10.71.0.9", .peer = ""});
    pppd_ = std::make_unique<platform::Pppd>(bed_.Setup(500ms));
    nm_ = std::make_unique<platform::NmDialUp>(bed_.NmSetup(2000ms));
  }

  platform::DialUpPhonebook Phonebook() const { return bed_.Phonebook(*pppd_, nm_.get()); }

  std::unique_ptr<TDialUp> MakeDialer(const std::string& entry, TDialMode mode) {
    auto dialer = std::make_unique<TDialUp>(Phonebook(), tasks_.Post());
    dialer->Entry = entry;
    dialer->DialMode = mode;
    dialer->UserName = "alice";
    dialer->UserPwd = kPassword;
    dial_.Attach(*dialer);
    return dialer;
  }

  std::optional<platform::DialLink> ConnectedLink(const std::string& entry) const {
    auto link = nm_->LinkOfEntry(entry);
    return link && link->connected ? link : std::nullopt;
  }

  kelbrin::test::PppTestbed bed_;
  std::unique_ptr<platform::Pppd> pppd_;
  std::unique_ptr<platform::NmDialUp> nm_;
  test::PostedTasks tasks_;
  test::DialRecorder dial_;
};

TEST_F(NmDialerTest, ThePhonebookListsThePeersThenNetworkManagersDialUpConnections) {
  const std::vector<std::string> peers{"Shared", "adsl"};
  struct Row {
    const char* what;
    bool withNetworkManager;
    bool running;
    bool peersReadable;
    int result;
    std::vector<std::string> entries;
  };
  const Row rows[] = {
      // A pppd peer wins over the NetworkManager connection of its name.
      {"both", true, true, true, 0, {"Shared", "adsl", "DSL", "Mobile"}},
      {"no NetworkManager facility", false, true, true, 0, peers},
      {"NetworkManager stopped", true, false, true, 0, peers},
      {"no peers folder", true, true, false, 0, {"DSL", "Shared", "Mobile"}},
      {"neither", true, false, false, platform::kPeersDirUnreadable, {}},
  };
  for (const auto& row : rows) {
    platform::PppdSetup setup = bed_.Setup();
    if (!row.peersReadable) setup.peersDir = bed_.RunDir() / "no-peers";
    const platform::Pppd pppd(setup);
    if (!row.running) bed_.StopNetworkManager();
    TDialUp dialer(bed_.Phonebook(pppd, row.withNetworkManager ? nm_.get() : nullptr),
                   tasks_.Post());
    std::vector<std::string> told;
    dialer.OnEntryGet = [&told](TDialUp&, const std::string& name) { told.push_back(name); };
    EXPECT_EQ(dialer.GetEntries(), row.result) << row.what;
    EXPECT_EQ(dialer.Entries(), row.entries) << row.what;
    EXPECT_EQ(told, row.entries) << row.what;
    bed_.StartNetworkManager();
  }
}

TEST_F(NmDialerTest, APeerOfTheSameNameIsDialledThroughPppd) {
  auto dialer = MakeDialer("Shared", TDialMode::dmSync);
  dialer->UserPwd = "pppd-secret";
  ASSERT_EQ(dialer->Dial(), 0);
  EXPECT_EQ(dialer->ConnHandle().facility, pppd_.get());
  EXPECT_TRUE(pppd_->LinkOfEntry("Shared").has_value());
  EXPECT_EQ(bed_.NmLinkHolder("Shared"), 0);
  EXPECT_EQ(dialer->HangUp(), 0);
}

TEST_F(NmDialerTest, ASynchronousDialConnectsWithAddressesIndexAndStatistics) {
  auto dialer = MakeDialer("DSL", TDialMode::dmSync);
  ASSERT_EQ(dialer->Dial(), 0);
  EXPECT_EQ(dial_.calls, (std::vector<std::string>{"dialing", "connect"}));
  const auto link = ConnectedLink("DSL");
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(dialer->ConnHandle(), link->handle);
  EXPECT_EQ(dialer->ConnHandle().facility, nm_.get());
  ASSERT_EQ(dialer->GetConnectionAddresses(dialer->ConnHandle()), 0);
  EXPECT_EQ(dialer->ClientIP(), "10.70.0.1");
  EXPECT_EQ(dialer->ServerIP(), "10.70.0.2");

  // The connection list carries it once, on the interface of its traffic.
  const int index = static_cast<int>(::if_nametoindex(link->interface.c_str()));
  ASSERT_NE(index, 0);
  ConnectionSources sources;
  sources.dialUpEntries = [this] { return DialUpConnections(Phonebook()); };
  std::vector<std::string> names;
  ASSERT_TRUE(ListNetworkConnections(names, sources));
  EXPECT_EQ(names,
            (std::vector<std::string>{"Wired connection 1", "Shared", "adsl", "DSL", "Mobile"}));
  EXPECT_EQ(ConnectionAdapterIndex("dsl", sources), static_cast<std::uint32_t>(index));
  // Without a phonebook NetworkManager's own listing names it, once.
  ListNetworkConnections(names, ConnectionSources{});
  EXPECT_EQ(std::count(names.begin(), names.end(), "DSL"), 1);

  // The peer's packet counts as received from the statistics' base.
  EXPECT_TRUE(dialer->StatsStartStop(true, true));
  ::kill(bed_.NmLinkHolder("DSL"), SIGUSR1);
  EXPECT_TRUE(Eventually([&] { return dialer->ReadStats() && dialer->BytesRecv() == 48; }));

  EXPECT_EQ(dialer->HangUp(), 0);
  EXPECT_EQ(bed_.NmLinkHolder("DSL"), 0);
  EXPECT_EQ(dialer->GetConnectionAddresses(link->handle), platform::kNoSuchLink);
  EXPECT_EQ(ConnectionAdapterIndex("DSL", sources), 0u);
}

TEST_F(NmDialerTest, AMobileConnectionWithoutAPeerHasNoServerAddress) {
  auto dialer = MakeDialer("Mobile", TDialMode::dmSync);
  ASSERT_EQ(dialer->Dial(), 0);
  ASSERT_EQ(dialer->GetConnectionAddresses(dialer->ConnHandle()), 0);
  EXPECT_EQ(dialer->ClientIP(), "10.71.0.9");
  EXPECT_EQ(dialer->ServerIP(), "");
  EXPECT_EQ(dialer->HangUp(), 0);
}

TEST_F(NmDialerTest, AnAsynchronousDialReportsConnectingThenConnected) {
  auto dialer = MakeDialer("DSL", TDialMode::dmAsync);
  ASSERT_EQ(dialer->Dial(), 0);
  EXPECT_EQ(dial_.calls, (std::vector<std::string>{"dialing"}));
  dial_.DeliverUntilDialEnds(tasks_);
  EXPECT_EQ(dial_.events,
            (std::vector<Event>{{2, 0, "Connecting device"}, {8192, 0, "Connected"}}));
  EXPECT_EQ(tasks_.MaxQueued(), 1u);
  const auto link = ConnectedLink("DSL");
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(dialer->ConnHandle(), link->handle);
  EXPECT_EQ(dialer->HangUp(), 0);
  EXPECT_FALSE(nm_->LinkOfEntry("DSL").has_value());
}

TEST_F(NmDialerTest, AWrongPasswordReadsAsAnAuthenticationFailure) {
  const std::string text =
      "NetworkManager: authentication failed: the user name or password was not accepted";
  auto sync = MakeDialer("DSL", TDialMode::dmSync);
  sync->UserPwd = "wrong";
  EXPECT_EQ(sync->Dial(), platform::kNmAuthFailed);
  EXPECT_EQ(dial_.calls, (std::vector<std::string>{"dialing", "not connected 1502 " + text}));
  EXPECT_FALSE(sync->ConnHandle());

  auto async = MakeDialer("DSL", TDialMode::dmAsync);
  async->UserPwd = "wrong";
  async->Language = TLanguage::Czech;
  ASSERT_EQ(async->Dial(), 0);
  dial_.DeliverUntilDialEnds(tasks_);
  ASSERT_EQ(dial_.events.size(), 2u);
  EXPECT_EQ(dial_.events.front(), (Event{2, 0, "P\xF8ipojuje se za\xF8\xEDzen\xED"}));
  EXPECT_EQ(dial_.events.back(), (Event{2, platform::kNmAuthFailed, text}));
  EXPECT_FALSE(async->ConnHandle());
  EXPECT_TRUE(nm_->Links().empty());
  EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir()));
}

TEST_F(NmDialerTest, AnEntryNobodyKnowsIsNotDialledAndOneThatVanishedIsReported) {
  bed_.AddNmProfile(
      {.name = "Vanished", .user = "alice", .password = kPassword, .directives = {"missing"}});
  auto unknown = MakeDialer("Nowhere", TDialMode::dmSync);
  EXPECT_EQ(unknown->Dial(), platform::kPeerUnreadable);
  auto vanished = MakeDialer("Vanished", TDialMode::dmSync);
  EXPECT_EQ(vanished->Dial(), platform::NmcliExitCode(10));
  EXPECT_EQ(dial_.calls,
            (std::vector<std::string>{"error 1302 GetEntryDialParams failed", "dialing",
                                      "not connected 1410 NetworkManager: no such "
                                      "connection"}));
}

// nmcli hangs before or after NetworkManager brought the connection up: AbortDial ends the dial,
// nmcli and the connection.
TEST_F(NmDialerTest, AbortDialEndsAHangingActivation) {
  bed_.AddNmProfile({.name = "Stuck", .password = kPassword, .directives = {"hang"}});
  bed_.AddNmProfile({.name = "Half", .password = kPassword, .directives = {"hang-after-up"}});
  for (const std::string entry : {"Stuck", "Half"}) {
    auto dialer = MakeDialer(entry, TDialMode::dmSync);
    const auto calls = bed_.NmCalls().size();
    auto dial = std::async(std::launch::async, [&dialer] { return dialer->Dial(); });
    ASSERT_TRUE(Eventually([&] {
      return bed_.NmCalls().find("passwd-file-mode", calls) != std::string::npos &&
             (entry == "Stuck" || bed_.NmLinkHolder(entry) != 0);
    })) << entry;
    dialer->AbortDial();
    ASSERT_EQ(dial.wait_for(10s), std::future_status::ready) << entry;
    EXPECT_EQ(dial.get(), platform::kDialCancelled) << entry;
    EXPECT_EQ(bed_.NmLinkHolder(entry), 0) << entry;
    EXPECT_TRUE(nm_->Links().empty()) << entry;
    EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir())) << entry;
  }
}

TEST_F(NmDialerTest, FreeingTheDialerDuringAnAsynchronousDialTakesDownWhatCameUp) {
  bed_.AddNmProfile({.name = "Half", .password = kPassword, .directives = {"hang-after-up"}});
  auto dialer = MakeDialer("Half", TDialMode::dmAsync);
  ASSERT_EQ(dialer->Dial(), 0);
  ASSERT_TRUE(Eventually([&] { return bed_.NmLinkHolder("Half") != 0; }));
  dialer.reset();
  tasks_.RunPending();
  EXPECT_EQ(bed_.NmLinkHolder("Half"), 0);
  EXPECT_TRUE(nm_->Links().empty());
}

TEST_F(NmDialerTest, ThePasswordIsInNoArgvOrEnvironmentAndItsFileGoesAfterTheDial) {
  bed_.AddNmProfile({.name = "Slow", .password = kPassword, .directives = {"delay-ms 300"}});
  auto dialer = MakeDialer("Slow", TDialMode::dmSync);
  auto dial = std::async(std::launch::async, [&dialer] { return dialer->Dial(); });
  bool sawNmcli = false;
  bool sawPasswdFile = false;
  bool sawPassword = false;
  while (dial.wait_for(0ms) != std::future_status::ready) {
    for (const auto& [argv, environment] : test::ProcessArgvAndEnv()) {
      if (argv.find(std::string("connection\0up\0id\0Slow\0passwd-file\0", 34)) !=
          std::string::npos) {
        sawNmcli = true;
      }
      if (argv.find("Nm-5h8w") != std::string::npos ||
          environment.find("Nm-5h8w") != std::string::npos) {
        sawPassword = true;
      }
    }
    std::error_code ignored;
    if (!std::filesystem::is_empty(bed_.PrivateDir(), ignored)) sawPasswdFile = true;
  }
  EXPECT_EQ(dial.get(), 0);
  EXPECT_TRUE(sawNmcli);
  EXPECT_TRUE(sawPasswdFile);
  EXPECT_FALSE(sawPassword);
  EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir()));
  EXPECT_EQ(dialer->HangUp(), 0);
}

TEST_F(NmDialerTest, ALineUserNameOtherThanTheProfilesIsToldOnce) {
  auto dialer = MakeDialer("DSL", TDialMode::dmSync);
  dialer->UserName = "bob";
  const std::string notice =
      "error 1505 NetworkManager dials with the user name of its connection profile, not the "
      "line's";
  ASSERT_EQ(dialer->Dial(), 0);
  ASSERT_EQ(dialer->Dial(), 0);  // hangs up its own connection first
  EXPECT_EQ(dial_.calls,
            (std::vector<std::string>{"dialing", notice, "connect", "dialing", "connect"}));
  EXPECT_EQ(dialer->HangUp(), 0);
}

}  // namespace
}  // namespace kelbrin::lines
