// The running service on a private message bus: what --status and a front-end see of it, what
// its methods do, and what polkit's refusal leaves unchanged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ChildRun.h"
#include "PrivateBus.h"
#include "ReferenceService.h"
#include "ScopedEnv.h"
#include "StandInAuthority.h"
#include "TempDir.h"
#include "app/commands/StatusCommand.h"
#include "settings/PubUtil.h"

namespace {

using kelbrin::test::BusProbe;
using kelbrin::test::PrivateBus;
using kelbrin::test::ReadFile;
using kelbrin::test::ScopedEnv;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::chrono_literals;

constexpr char kOnlineHint[] = "Popup Hint|IP updates successfully：127.0.0.1";
constexpr char kLogoutHint[] = "Popup Hint|Logout Success！";

struct Status {
  int exitCode;
  std::string out;
  std::string err;
};

Status AskStatus(const std::optional<std::string>& bus) {
  std::ostringstream out;
  std::ostringstream err;
  const int exitCode = kelbrin::app::PrintStatus(bus, out, err);
  return {exitCode, out.str(), err.str()};
}

TEST(StatusTextTest, SaysOnlineOrWhyNotAndKeepsTextFromTheBusOnItsLines) {
  using kelbrin::platform::BusProperties;
  EXPECT_EQ(kelbrin::app::StatusText(BusProperties{{"Online", true},
                                                   {"UserName", "demo01"},
                                                   {"Address", "198.51.100.9"},
                                                   {"Line", "Lan"},
                                                   {"LineState", "connected"},
                                                   {"Deadline", "2027-01-31"}}),
            "Online — address 198.51.100.9\nUser:      demo01\nAddress:   198.51.100.9\n"
            "Line:      Lan (connected)\nDeadline:  2027-01-31\n");
  EXPECT_EQ(kelbrin::app::StatusText(BusProperties{{"Online", false},
                                                   {"LastError", "Password failure！\n\x1b[2J"},
                                                   {"UserName", "a\nOnline"}}),
            "Offline — Password failure！\\n\\x1B[2J\nUser:      a\\nOnline\nAddress:   \n"
            "Line:      none\nDeadline:  \n");
}

class ClientBusTest : public ::testing::Test {
 protected:
  ClientBusTest() {
    std::filesystem::create_directories(dir / "session");
    std::filesystem::create_directories(dir / "system");
    kelbrin::settings::SetConfigRoot(dir / "config");
    kelbrin::settings::TPubUtil::WriteRegStrings(
        {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  }
  ~ClientBusTest() override {
    if (pid_ > 0) kelbrin::test::EndWithin(pid_, SIGTERM, 10s);
  }

  // `kelbrin-client --service --bus BUS` with both bus addresses pointing where the test says.
  void StartService(const std::string& bus, const std::string& sessionAddress,
                    const std::string& systemAddress) {
    pid_ = kelbrin::test::StartProgram(
        KELBRIN_CLIENT_EXECUTABLE,
        {"--service", "--bus", bus, "--endpoint", service.endpoint(), "--config-root",
         (dir / "config").string(), "--time-scale", "0.01"},
        "/dev/null", dir / "stderr",
        {"DBUS_SESSION_BUS_ADDRESS=" + sessionAddress, "DBUS_SYSTEM_BUS_ADDRESS=" + systemAddress});
    ASSERT_GT(pid_, 0);
  }
  // Exit status once the service has ended by itself (-1: it did not within `limit`).
  int Ended(std::chrono::milliseconds limit) {
    const int status = kelbrin::test::EndWithin(pid_, 0, limit);
    pid_ = -1;
    return status;
  }

  const kelbrin::test::TempDir dir;
  const kelbrin::test::ReferenceService service{{{}, dir / "service.log"}};
  pid_t pid_ = -1;
};

TEST_F(ClientBusTest, StatusWithoutARunningClientSaysSoAndEndsWith3) {
  const PrivateBus session(dir / "session", PrivateBus::Kind::SessionLike);
  const PrivateBus system(dir / "system", PrivateBus::Kind::SystemLike);
  const ScopedEnv sessionEnv("DBUS_SESSION_BUS_ADDRESS", session.Address());
  const ScopedEnv systemEnv("DBUS_SYSTEM_BUS_ADDRESS", system.Address());

  const Status both = AskStatus(std::nullopt);
  EXPECT_EQ(both.exitCode, kelbrin::app::kExitNoClient);
  EXPECT_EQ(both.out, "");
  EXPECT_EQ(both.err, "kelbrin-client: no running client on the session or system bus\n");
  EXPECT_EQ(AskStatus("system").err, "kelbrin-client: no running client on the system bus\n");

  // No bus at all is the same answer, not a failure of its own.
  const ScopedEnv noSession("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "none").string());
  EXPECT_EQ(AskStatus("session").exitCode, kelbrin::app::kExitNoClient);
}

TEST_F(ClientBusTest, TheSessionBusShowsTheServiceAndItsMethodsDriveIt) {
  const PrivateBus session(dir / "session", PrivateBus::Kind::SessionLike);
  const ScopedEnv sessionEnv("DBUS_SESSION_BUS_ADDRESS", session.Address());
  BusProbe probe(session.Address());
  probe.Listen();
  StartService("session", session.Address(), "unix:path=" + (dir / "none").string());

  // The popup of the new address reaches the bus, and the state follows it.
  ASSERT_TRUE(probe.Heard(kOnlineHint)) << ReadFile(dir / "stderr");
  EXPECT_TRUE(probe.Heard("PropertiesChanged net.kelbrin.Client1|"));
  const Status online = AskStatus(std::nullopt);
  EXPECT_EQ(online.exitCode, 0);
  EXPECT_THAT(online.out, StartsWith("Online — address 127.0.0.1\n"));
  EXPECT_THAT(online.out, HasSubstr("User:      demo01\n"));
  EXPECT_THAT(online.out, HasSubstr("Address:   127.0.0.1\n"));

  EXPECT_EQ(probe.Call("LogOff"), std::nullopt);
  EXPECT_TRUE(probe.Heard(kLogoutHint));
  EXPECT_THAT(AskStatus("session").out, StartsWith("Offline"));
  // A second log-off has nothing to do, and says so.
  EXPECT_EQ(probe.Call("LogOff"), "org.freedesktop.DBus.Error.Failed: Not logged in");
  EXPECT_EQ(probe.Call("LogOn", "ss", {"demo01", "not-the-password"}), std::nullopt);
  EXPECT_TRUE(probe.Heard("ErrorBox Error|Password failure！"));

  EXPECT_EQ(probe.Call("Quit"), std::nullopt);
  EXPECT_EQ(Ended(10s), 0);
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 2);
  EXPECT_EQ(AskStatus("session").exitCode, kelbrin::app::kExitNoClient);
}

TEST_F(ClientBusTest, TheLineAndTheBoxesSavedOverTheBusReachTheSettingsFile) {
  using kelbrin::settings::TPubUtil;
  const PrivateBus session(dir / "session", PrivateBus::Kind::SessionLike);
  BusProbe probe(session.Address());
  probe.Listen();
  StartService("session", session.Address(), "unix:path=" + (dir / "none").string());
  ASSERT_TRUE(probe.Heard(kOnlineHint)) << ReadFile(dir / "stderr");

  // The line is stored as well as started, and the new line is announced at once.
  EXPECT_EQ(probe.Call("ApplyLine", "ssssb", {"Lan", "lo", "", "", "false"}), std::nullopt);
  EXPECT_TRUE(probe.Heard("PropertiesChanged net.kelbrin.Client1|Line"));
  EXPECT_TRUE(kelbrin::test::WaitUntil([] {
    return TPubUtil::ReadRegString("LineName") == "lo" &&
           TPubUtil::ReadRegString("InternalLineType") == "3" &&
           TPubUtil::ReadRegString("AutoConn") == "0";
  }));
  EXPECT_EQ(probe.Call("ApplyLine", "ssssb", {"Pigeon", "lo", "", "", "true"}),
            "org.freedesktop.DBus.Error.Failed: Not a line type: Pigeon");
  EXPECT_EQ(TPubUtil::ReadRegString("AutoConn"), "0");

  // The run-as-service box travels with the other boxes.
  EXPECT_EQ(probe.Call("SaveSettings", "bbbb", {"true", "false", "true", "true"}), std::nullopt);
  EXPECT_TRUE(kelbrin::test::WaitUntil([] { return TPubUtil::ReadRegString("AsService") == "1"; }));
  EXPECT_EQ(probe.Call("SaveSettings", "bbbb", {"true", "false", "false", "true"}), std::nullopt);
  EXPECT_TRUE(kelbrin::test::WaitUntil([] { return TPubUtil::ReadRegString("AsService") == "0"; }));
}

TEST_F(ClientBusTest, PolkitRefusalChangesNothingAndSaysWhy) {
  const PrivateBus system(dir / "system", PrivateBus::Kind::SystemLike, {KELBRIN_BUS_POLICY});
  const ScopedEnv systemEnv("DBUS_SYSTEM_BUS_ADDRESS", system.Address());
  kelbrin::test::StandInAuthority authority(system.Address());
  BusProbe probe(system.Address());
  probe.Listen();
  StartService("system", "unix:path=" + (dir / "none").string(), system.Address());
  ASSERT_TRUE(probe.Heard(kOnlineHint)) << ReadFile(dir / "stderr");

  EXPECT_EQ(probe.Call("LogOff"),
            "org.freedesktop.DBus.Error.AccessDenied: Not authorized: net.kelbrin.client.logon");
  EXPECT_EQ(probe.Call("Quit"),
            "org.freedesktop.DBus.Error.AccessDenied: Not authorized: net.kelbrin.client.quit");
  // polkit was asked about this very caller.
  EXPECT_THAT(authority.Questions(), ::testing::Contains("system-bus-name " + probe.UniqueName() +
                                                         " net.kelbrin.client.logon"));
  EXPECT_THAT(AskStatus("system").out, StartsWith("Online — address 127.0.0.1\n"));
  // Reading needs nobody's permission.
  EXPECT_EQ(authority.Questions().size(), 2u);

  authority.Allow("net.kelbrin.client.logon");
  EXPECT_EQ(probe.Call("LogOff"), std::nullopt);
  EXPECT_TRUE(probe.Heard(kLogoutHint));
  EXPECT_THAT(AskStatus("system").out, StartsWith("Offline"));
}

TEST_F(ClientBusTest, ABusOutOfReachIsAWarningAndTheAddressStaysCurrent) {
  StartService("session", "unix:path=" + (dir / "none").string(),
               "unix:path=" + (dir / "none").string());
  EXPECT_TRUE(kelbrin::test::WaitUntil([&] {
    return ReadFile(dir / "stderr").find("IP updates successfully：127.0.0.1") != std::string::npos;
  }));
  EXPECT_THAT(ReadFile(dir / "stderr"), HasSubstr("kelbrin-client: not on D-Bus (session bus: "));
}

TEST_F(ClientBusTest, ALostBusIsAWarningAndTheAddressStaysCurrent) {
  std::optional<PrivateBus> session(std::in_place, dir / "session", PrivateBus::Kind::SessionLike);
  {
    BusProbe probe(session->Address());
    probe.Listen();
    StartService("session", session->Address(), "unix:path=" + (dir / "none").string());
    ASSERT_TRUE(probe.Heard(kOnlineHint)) << ReadFile(dir / "stderr");
  }
  session.reset();
  EXPECT_TRUE(kelbrin::test::WaitUntil([&] {
    return ReadFile(dir / "stderr").find("kelbrin-client: D-Bus connection lost\n") !=
           std::string::npos;
  }));
  const int before = service.countRequests("ActiveTestReq");
  EXPECT_TRUE(kelbrin::test::WaitUntil(
      [&] { return service.countRequests("ActiveTestReq") >= before + 2; }));
}

}  // namespace
