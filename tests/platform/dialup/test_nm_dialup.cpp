// NetworkManager's dial-up connections as a dial-up facility, against the fake nmcli in a network
// namespace of the test's own.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "Eventually.h"
#include "PppTestbed.h"
#include "platform/dialup/DialErrors.h"
#include "platform/dialup/NmDialErrors.h"
#include "platform/dialup/NmDialUp.h"
#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"
#include "platform/net/LinkInterface.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;
using kelbrin::test::Eventually;
using test::NmProfile;

constexpr const char* kPassword = "Nm-7q2z \"quoted\"";

struct DialOutcome {
  int result = -1;
  std::vector<int> states;
  DialHandle handle;
};

// Runs a started dial to its end (bounded).
DialOutcome Follow(DialAttempt& dial) {
  DialOutcome outcome;
  for (int round = 0; round < 2000; ++round) {
    const auto result = dial.Step(20ms, [&](int state) { outcome.states.push_back(state); });
    if (result) {
      outcome.result = *result;
      outcome.handle = dial.Handle();
      break;
    }
  }
  return outcome;
}

// Whether some process is still an nmcli asked to bring a connection up.
bool NmcliUpRunning() {
  DIR* proc = ::opendir("/proc");
  bool found = false;
  while (proc && !found) {
    const dirent* item = ::readdir(proc);
    if (!item) break;
    std::ifstream in(std::string("/proc/") + item->d_name + "/cmdline", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    found = text.str().find(std::string("connection\0up\0id", 17)) != std::string::npos;
  }
  if (proc) ::closedir(proc);
  return found;
}

class NmDialUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bed_.Unusable().empty())
      GTEST_SKIP() << "NetworkManager tests skipped: " << bed_.Unusable();
    bed_.StartNetworkManager();
    bed_.AddNmProfile({.name = "Wired connection 1", .type = "802-3-ethernet"});
    bed_.AddNmProfile({.name = "DSL", .user = "alice", .password = kPassword});
    bed_.AddNmProfile({.name = "Mobile",
                       .type = "gsm",
                       .device = "cdc-wdm0",
                       .password = "p\\w 0 ",
                       .local = "10.71.0.9",
                       .peer = ""});
    bed_.AddNmProfile({.name = "Office VPN", .type = "vpn"});
    bed_.AddNmProfile({.name = "Rural", .type = "cdma", .password = "x"});
  }

  std::unique_ptr<DialAttempt> Start(const NmDialUp& facility, const std::string& entry,
                                     const std::string& password, int& error,
                                     const std::string& user = "alice") {
    return facility.StartDial(entry, user, password, error);
  }

  // How many passwd-files the fake nmcli has looked at so far.
  std::size_t PasswdFilesSeen() const {
    const std::string calls = bed_.NmCalls();
    std::size_t count = 0;
    for (auto at = calls.find("passwd-file-mode"); at != std::string::npos;
         at = calls.find("passwd-file-mode", at + 1)) {
      ++count;
    }
    return count;
  }

  test::PppTestbed bed_;
};

TEST_F(NmDialUpTest, ThePhonebookIsTheDialUpConnectionsInNmcliOrder) {
  const NmDialUp facility(bed_.NmSetup());
  std::vector<std::string> names;
  EXPECT_EQ(facility.Entries(names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"DSL", "Mobile", "Rural"}));
  EXPECT_TRUE(facility.HasEntry("DSL"));
  EXPECT_FALSE(facility.HasEntry("Wired connection 1"));
  EXPECT_FALSE(facility.HasEntry("dsl"));
  EXPECT_TRUE(facility.Links().empty());

  bed_.StopNetworkManager();
  EXPECT_EQ(facility.Entries(names), NmcliExitCode(8));
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(facility.HasEntry("DSL"));
}

TEST_F(NmDialUpTest, ADialActivatesTheConnectionOnItsIpInterfaceAndAHangUpTakesItDown) {
  const NmDialUp facility(bed_.NmSetup());
  int error = -1;
  auto dial = Start(facility, "DSL", kPassword, error);
  ASSERT_NE(dial, nullptr) << error;
  EXPECT_EQ(dial->Notice(), 0);
  const DialOutcome outcome = Follow(*dial);
  ASSERT_EQ(outcome.result, 0) << DialErrorText(outcome.result);
  EXPECT_EQ(outcome.states, (std::vector<int>{kDialConnectingDevice}));
  EXPECT_EQ(outcome.handle.facility, &facility);
  EXPECT_GT(outcome.handle.id, 0);
  // The one-read passwd-file was 0600 in the private folder and is gone.
  const std::string calls = bed_.NmCalls();
  EXPECT_NE(calls.find("--wait 10 connection up id DSL passwd-file " + bed_.PrivateDir().string() +
                       "/nm-dial-"),
            std::string::npos)
      << calls;
  EXPECT_NE(calls.find("passwd-file-mode 600"), std::string::npos) << calls;
  EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir()));

  const auto link = facility.LinkOfId(outcome.handle.id);
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->entry, "DSL");
  EXPECT_TRUE(link->connected);
  // The PPPoE connection's traffic runs on its ppp interface, not the device it is active on.
  EXPECT_TRUE(link->interface.starts_with("ppp")) << link->interface;
  EXPECT_GT(InterfaceIndex(link->interface), 0u);
  const auto addresses = InterfaceAddresses(link->interface);
  ASSERT_TRUE(addresses.has_value());
  EXPECT_EQ(addresses->local, "10.70.0.1");
  EXPECT_EQ(addresses->peer, "10.70.0.2");
  EXPECT_EQ(facility.LinkOfEntry("DSL")->handle, outcome.handle);
  ASSERT_EQ(facility.Links().size(), 1u);

  EXPECT_EQ(facility.HangUp(outcome.handle.id), 0);
  EXPECT_FALSE(facility.LinkOfEntry("DSL").has_value());
  EXPECT_EQ(bed_.NmLinkHolder("DSL"), 0);
  EXPECT_EQ(InterfaceIndex(link->interface), 0u);
  EXPECT_EQ(facility.HangUp(outcome.handle.id), kNoSuchLink);
  EXPECT_EQ(facility.HangUp(::getpid()), kNoSuchLink);  // a pppd's handle is none of its own
}

TEST_F(NmDialUpTest, AMobileConnectionWithoutAPeerAndASecretWithBlanksAndBackslashes) {
  const NmDialUp facility(bed_.NmSetup());
  int error = -1;
  // nmcli strips blanks at the ends of a passwd-file's secret and reads backslash escapes.
  auto dial = Start(facility, "Mobile", "p\\w 0 ", error);
  ASSERT_NE(dial, nullptr) << error;
  const DialOutcome outcome = Follow(*dial);
  ASSERT_EQ(outcome.result, 0) << DialErrorText(outcome.result);
  const auto link = facility.LinkOfId(outcome.handle.id);
  ASSERT_TRUE(link.has_value());
  EXPECT_TRUE(link->interface.starts_with("wwan")) << link->interface;
  const auto addresses = InterfaceAddresses(link->interface);
  ASSERT_TRUE(addresses.has_value());
  EXPECT_EQ(addresses->local, "10.71.0.9");
  EXPECT_EQ(addresses->peer, "");
  EXPECT_EQ(facility.HangUp(outcome.handle.id), 0);
}

TEST_F(NmDialUpTest, FailedActivationsGiveTheirCodesAndLeaveNothing) {
  bed_.AddNmProfile({.name = "Refused", .password = kPassword, .directives = {"fail-auth"}});
  bed_.AddNmProfile({.name = "Forbidden", .password = kPassword, .directives = {"not-authorized"}});
  bed_.AddNmProfile({.name = "Vanished", .password = kPassword, .directives = {"missing"}});
  bed_.AddNmProfile({.name = "Slow", .password = kPassword, .directives = {"delay-ms 4000"}});
  const NmDialUp facility(bed_.NmSetup(2000ms, 1s));
  struct Row {
    std::string entry;
    std::string password;
    int code;
  };
  const Row rows[] = {
      {"DSL", "wrong", kNmAuthFailed},
      {"Refused", kPassword, kNmAuthFailed},
      {"Forbidden", kPassword, kNmNotAuthorized},
      {"Vanished", kPassword, NmcliExitCode(10)},
      {"Slow", kPassword, NmcliExitCode(3)},
  };
  for (const auto& row : rows) {
    int error = -1;
    auto dial = Start(facility, row.entry, row.password, error);
    ASSERT_NE(dial, nullptr) << row.entry << " " << error;
    EXPECT_EQ(Follow(*dial).result, row.code) << row.entry;
    EXPECT_FALSE(dial->Handle()) << row.entry;
    EXPECT_TRUE(facility.Links().empty()) << row.entry;
    EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir())) << row.entry;
  }
}

TEST_F(NmDialUpTest, ADialThatCannotStartSaysWhy) {
  const NmDialUp facility(bed_.NmSetup());
  int error = -1;
  EXPECT_EQ(Start(facility, "Nowhere", kPassword, error), nullptr);
  EXPECT_EQ(error, NmcliExitCode(10));
  EXPECT_EQ(Start(facility, "Wired connection 1", kPassword, error), nullptr);
  EXPECT_EQ(error, NmcliExitCode(10));
  EXPECT_EQ(Start(facility, "DSL", "two\nlines", error), nullptr);
  EXPECT_EQ(error, kPasswordUnusable);
  EXPECT_FALSE(std::filesystem::exists(bed_.PrivateDir()));
  bed_.StopNetworkManager();
  EXPECT_EQ(Start(facility, "DSL", kPassword, error), nullptr);
  EXPECT_EQ(error, NmcliExitCode(8));
}

TEST_F(NmDialUpTest, TheProfileKeepsItsUserNameAndADifferentOneIsNoticed) {
  const NmDialUp facility(bed_.NmSetup());
  const std::pair<std::string, int> rows[] = {{"alice", 0}, {"", 0}, {"bob", kNmProfileUserName}};
  for (const auto& [user, notice] : rows) {
    int error = -1;
    auto dial = Start(facility, "DSL", kPassword, error, user);
    ASSERT_NE(dial, nullptr) << user;
    EXPECT_EQ(dial->Notice(), notice) << user;
    const DialOutcome outcome = Follow(*dial);
    ASSERT_EQ(outcome.result, 0) << user;
    EXPECT_EQ(facility.HangUp(outcome.handle.id), 0);
  }
  // nmcli was never asked to change the profile.
  EXPECT_EQ(bed_.NmCalls().find("modify"), std::string::npos);
}

// nmcli hangs; the connection may or may not have come up by then. Cancelling, and dropping the
// dial unfollowed, end nmcli and leave nothing active.
TEST_F(NmDialUpTest, AHangingActivationIsEndedAndWhatCameUpIsTakenDown) {
  bed_.AddNmProfile({.name = "Stuck", .password = kPassword, .directives = {"hang"}});
  bed_.AddNmProfile({.name = "Half", .password = kPassword, .directives = {"hang-after-up"}});
  const NmDialUp facility(bed_.NmSetup());
  for (const std::string entry : {"Stuck", "Half"}) {
    for (const bool cancel : {true, false}) {
      // Counted before the start: a fast nmcli may have looked at its passwd-file before the
      // test looks at the calls.
      const auto filesSeen = PasswdFilesSeen();
      int error = -1;
      auto dial = Start(facility, entry, kPassword, error);
      ASSERT_NE(dial, nullptr);
      // Until the fake has looked at the passwd-file, and for "Half" brought the link up.
      ASSERT_TRUE(Eventually([&] {
        EXPECT_FALSE(dial->Step(10ms, [](int) {}).has_value());
        return PasswdFilesSeen() > filesSeen && (entry == "Stuck" || bed_.NmLinkHolder(entry) != 0);
      })) << entry;
      if (cancel) {
        dial->Cancel();
        EXPECT_EQ(Follow(*dial).result, kDialCancelled) << entry;
      } else {
        dial.reset();
      }
      EXPECT_EQ(bed_.NmLinkHolder(entry), 0) << entry << " " << cancel;
      EXPECT_TRUE(facility.Links().empty()) << entry << " " << cancel;
      EXPECT_TRUE(Eventually([] { return !NmcliUpRunning(); })) << entry << " " << cancel;
      dial.reset();
      EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir())) << entry << " " << cancel;
    }
  }
}

TEST(NmDialErrorsTest, ExitStatusesAndMessagesMapToCodesWithTexts) {
  EXPECT_EQ(NmcliExitCode(0), 0);
  EXPECT_EQ(NmcliExitCode(4), 1404);
  const std::tuple<int, std::string, int> failures[] = {
      {4, "Error: Connection activation failed: Secrets were required, but not provided",
       kNmAuthFailed},
      {4, "Error: Connection activation failed: Invalid secrets", kNmAuthFailed},
      {4, "Error: Connection activation failed: Not authorized to control networking.",
       kNmNotAuthorized},
      {4, "Error: Connection activation failed: Insufficient privileges", kNmNotAuthorized},
      {4, "Error: Connection activation failed: PPP service disconnected", 1404},
      {3, "Error: Timeout expired (90 seconds)", 1403},
      {8, "Error: NetworkManager is not running.", 1408},
      {10, "Error: unknown connection 'x'.", 1410},
      // Only an activation failure is read for its reason.
      {1, "Error: secrets", 1401},
  };
  for (const auto& [status, message, code] : failures) {
    EXPECT_EQ(NmActivationFailure(status, message), code) << message;
  }
  const std::pair<int, std::string> texts[] = {
      {1403, "NetworkManager: the connection was not activated in time"},
      {1404, "NetworkManager: the connection could not be activated"},
      {1408, "NetworkManager is not running"},
      {1410, "NetworkManager: no such connection"},
      {1499, "NetworkManager: nmcli ended with exit status 99"},
      {kNmAuthFailed,
       "NetworkManager: authentication failed: the user name or password was not accepted"},
      {kNmcliNotStartable,
       "nmcli cannot be started: dialling a NetworkManager connection needs nmcli installed"},
      // The dial-up texts are one table: pppd's codes keep theirs.
      {1019, "pppd: authentication failed: the user name or password was not accepted"},
      {kDialCancelled, "The dial was cancelled"},
      {7, "Unknown dial-up error 7"},
      {1599, "Unknown dial-up error 1599"},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(DialErrorText(code), text) << code;
}

TEST(NmDialUpHandleTest, AnActiveConnectionsPathGivesItsNumber) {
  EXPECT_EQ(NmDialUp::IdOfPath("/org/freedesktop/NetworkManager/ActiveConnection/7"), 7);
  EXPECT_EQ(NmDialUp::IdOfPath("/org/freedesktop/NetworkManager/ActiveConnection/123456"), 123456);
  for (const char* path : {"", "/org/freedesktop/NetworkManager/ActiveConnection/",
                           "/org/freedesktop/NetworkManager/ActiveConnection/7x",
                           "/org/freedesktop/NetworkManager/Settings/7",
                           "/org/freedesktop/NetworkManager/ActiveConnection/12345678901"}) {
    EXPECT_EQ(NmDialUp::IdOfPath(path), 0) << path;
  }
}

}  // namespace
}  // namespace kelbrin::platform
