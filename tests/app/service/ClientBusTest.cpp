// The running service on a private message bus: what --status and a reader see of it, what its
// methods do, who may call them, and what bad input and polkit's refusal leave unchanged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <pugixml.hpp>
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

using kelbrin::platform::BusValue;
using kelbrin::test::BusProbe;
using kelbrin::test::PrivateBus;
using kelbrin::test::ReadFile;
using kelbrin::test::ScopedEnv;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::chrono_literals;

constexpr char kOnlineNotice[] = "Notice 0|IP updates successfully：127.0.0.1|false";
constexpr char kLogoutNotice[] = "Notice 0|Logout Success！|false";
constexpr char kAccessDenied[] = "org.freedesktop.DBus.Error.AccessDenied: ";
// The unprivileged caller's uid.
constexpr uid_t kNobody = 65534;

struct Status {
  int exitCode;
  std::string out;
  std::string err;
};

Status AskStatus(const std::optional<std::string>& bus, bool json = false) {
  std::ostringstream out;
  std::ostringstream err;
  const int exitCode = kelbrin::app::PrintStatus(bus, json, out, err);
  return {exitCode, out.str(), err.str()};
}

TEST(StatusTextTest, SaysOnlineOrWhyNotAndKeepsTextFromTheBusOnItsLines) {
  using kelbrin::platform::BusProperties;
  EXPECT_EQ(kelbrin::app::StatusText(BusProperties{{"State", std::uint32_t{2}},
                                                   {"UserName", "demo01"},
                                                   {"Address", "198.51.100.9"},
                                                   {"LineKind", "Lan"},
                                                   {"LineState", std::uint32_t{1}},
                                                   {"AccountStatus", "normal"},
                                                   {"Deadline", std::uint64_t{1801353600000000}}}),
            "Online — address 198.51.100.9\nUser:      demo01\nAddress:   198.51.100.9\n"
            "Line:      Lan (connected)\nDeadline:  2027-01-31\n");
  EXPECT_EQ(kelbrin::app::StatusText(BusProperties{{"State", std::uint32_t{4}},
                                                   {"LastError", "Password failure！\n\x1b[2J"},
                                                   {"UserName", "a\nOnline"}}),
            "Offline — Password failure！\\n\\x1B[2J\nUser:      a\\nOnline\nAddress:   \n"
            "Line:      none\nDeadline:  \n");
}

// A memory figure of the service from /proc in KiB: "VmRSS" (resident now) or "VmHWM" (its peak).
long MemoryKiB(pid_t pid, const std::string& figure) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(figure + ':', 0) == 0) return std::stol(line.substr(figure.size() + 1));
  }
  return -1;
}

// The members of `interface` in an introspection document, one line each, sorted: what a caller
// relies on (names, types, argument names and directions, access), not the documentation.
std::vector<std::string> Members(const std::string& xml, const std::string& interface) {
  pugi::xml_document document;
  if (!document.load_string(xml.c_str())) return {"unreadable"};
  std::vector<std::string> members;
  const auto node = document.select_node(("//interface[@name='" + interface + "']").c_str());
  for (const pugi::xml_node member : node.node().children()) {
    const std::string kind = member.name();
    if (kind != "method" && kind != "signal" && kind != "property") continue;
    std::string line = kind + ' ' + member.attribute("name").value();
    if (kind == "property") {
      line += std::string(" ") + member.attribute("type").value() + ' ' +
              member.attribute("access").value();
    }
    for (const pugi::xml_node arg : member.children("arg")) {
      const std::string direction = arg.attribute("direction").value();
      line += std::string(" ") + arg.attribute("name").value() + ':' +
              arg.attribute("type").value() + ':' +
              (direction.empty() && kind == "method" ? "in" : direction);
    }
    members.push_back(line);
  }
  std::sort(members.begin(), members.end());
  return members;
}

class ClientBusTest : public ::testing::Test {
 protected:
  ClientBusTest() {
    std::filesystem::create_directories(dir / "session");
    std::filesystem::create_directories(dir / "system");
    // An unprivileged caller must reach the buses' sockets in here.
    for (const auto& folder : {dir.path(), dir / "system"}) {
      std::filesystem::permissions(folder, std::filesystem::perms::others_exec,
                                   std::filesystem::perm_options::add);
    }
    kelbrin::settings::SetConfigRoot(dir / "config");
    kelbrin::settings::TPubUtil::WriteRegStrings(
        {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  }
  ~ClientBusTest() override {
    if (pid_ > 0) kelbrin::test::EndWithin(pid_, SIGTERM, 10s);
  }

  // `kelbrin-client --service --bus BUS` with both bus addresses pointing where the test says,
  // its runtime folder (and so its status file) where the test reads it.
  void StartService(const std::string& bus, const std::string& sessionAddress,
                    const std::string& systemAddress) {
    std::filesystem::create_directories(dir / "runtime");
    // The dial-up phonebook is the test's own folder; a dial ends at once.
    for (const char* folder : {"peers", "ppp-run", "ppp-private"})
      std::filesystem::create_directories(dir / folder);
    pid_ = kelbrin::test::StartProgram(
        KELBRIN_CLIENT_EXECUTABLE,
        {"--service", "--bus", bus, "--endpoint", service.endpoint(), "--config-root",
         (dir / "config").string(), "--time-scale", "0.01"},
        "/dev/null", dir / "stderr",
        {"DBUS_SESSION_BUS_ADDRESS=" + sessionAddress, "DBUS_SYSTEM_BUS_ADDRESS=" + systemAddress,
         "XDG_RUNTIME_DIR=" + (dir / "runtime").string(),
         "RUNTIME_DIRECTORY=", "KELBRIN_PPP_PEERS=" + (dir / "peers").string(),
         "KELBRIN_PPP_RUN=" + (dir / "ppp-run").string(),
         "KELBRIN_PPP_PRIVATE=" + (dir / "ppp-private").string(), "KELBRIN_PPPD=/bin/false"});
    ASSERT_GT(pid_, 0);
  }
  // A session-like bus of the test's own (this process's session bus too), a probe hearing the
  // client's signals on it, and the service started there.
  BusProbe& ServeOnSessionBus() {
    session_.emplace(dir / "session", PrivateBus::Kind::SessionLike);
    sessionEnv_.emplace("DBUS_SESSION_BUS_ADDRESS", session_->Address());
    probe_.emplace(session_->Address());
    probe_->Listen();
    StartService("session", session_->Address(), None());
    return *probe_;
  }
  void StartOnSystemBus(const PrivateBus& system) {
    StartService("system", None(), system.Address());
  }
  std::string None() const { return "unix:path=" + (dir / "none").string(); }
  // Exit status once the service has ended by itself (-1: it did not within `limit`).
  int Ended(std::chrono::milliseconds limit) {
    const int status = kelbrin::test::EndWithin(pid_, 0, limit);
    pid_ = -1;
    return status;
  }

  const kelbrin::test::TempDir dir;
  const kelbrin::test::ReferenceService service{{{}, dir / "service.log"}};
  pid_t pid_ = -1;
  std::optional<PrivateBus> session_;
  std::optional<ScopedEnv> sessionEnv_;
  std::optional<BusProbe> probe_;
};

TEST_F(ClientBusTest, StatusWithoutARunningClientSaysSoAndEndsWith3) {
  const PrivateBus session(dir / "session", PrivateBus::Kind::SessionLike);
  const PrivateBus system(dir / "system", PrivateBus::Kind::SystemLike);
  const ScopedEnv sessionEnv("DBUS_SESSION_BUS_ADDRESS", session.Address());
  const ScopedEnv systemEnv("DBUS_SYSTEM_BUS_ADDRESS", system.Address());
  const ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", (dir / "runtime").string());

  const Status both = AskStatus(std::nullopt);
  EXPECT_EQ(both.exitCode, kelbrin::app::kExitNoClient);
  EXPECT_EQ(both.out, "");
  EXPECT_EQ(both.err, "kelbrin-client: no running client on the session or system bus\n");
  EXPECT_EQ(AskStatus("system").err, "kelbrin-client: no running client on the system bus\n");

  // No bus at all is the same answer, not a failure of its own.
  const ScopedEnv noSession("DBUS_SESSION_BUS_ADDRESS", None());
  EXPECT_EQ(AskStatus("session").exitCode, kelbrin::app::kExitNoClient);
}

TEST_F(ClientBusTest, TheSessionBusShowsTheServiceAndItsMethodsDriveIt) {
  BusProbe& probe = ServeOnSessionBus();

  // The new address is told as a notice, logged as an event, and the state follows it.
  ASSERT_TRUE(probe.Heard(kOnlineNotice)) << ReadFile(dir / "stderr");
  EXPECT_TRUE(probe.Heard("|IP updates successfully：127.0.0.1"));
  EXPECT_TRUE(probe.Heard("PropertiesChanged net.kelbrin.Client1|"));
  const Status online = AskStatus(std::nullopt);
  EXPECT_EQ(online.exitCode, 0);
  EXPECT_THAT(online.out, StartsWith("Online — address 127.0.0.1\n"));
  EXPECT_THAT(online.out, HasSubstr("User:      demo01\n"));
  EXPECT_THAT(AskStatus(std::nullopt, true).out,
              HasSubstr("\"state\":\"online\",\"stateNumber\":2,\"user\":\"demo01\""));

  EXPECT_EQ(probe.Call("LogOff"), std::nullopt);
  EXPECT_TRUE(probe.Heard(kLogoutNotice));
  EXPECT_THAT(AskStatus("session").out, StartsWith("Offline"));
  // A second log-off has nothing to do, and says so by name.
  EXPECT_EQ(probe.Call("LogOff"), "net.kelbrin.Client1.Error.NotLoggedIn: Not logged in");
  // Another account's wrong password: the service refuses it, and the state says so.
  EXPECT_EQ(
      probe.Call("LogOnAs", {BusValue("demo01"), BusValue("not-the-password"), BusValue(false)}),
      std::nullopt);
  EXPECT_TRUE(probe.Heard("Notice 2|Login failure: Password failure！|false"));
  EXPECT_TRUE(kelbrin::test::WaitUntil([] {
    return AskStatus("session", true).out.find("\"state\":\"refused\"") != std::string::npos;
  }));
  // With "save password" asked for, a refused password is still never stored.
  EXPECT_EQ(probe.Call("LogOnAs", {BusValue("demo01"), BusValue("still-wrong"), BusValue(true)}),
            std::nullopt);
  EXPECT_TRUE(probe.Heard("Notice 2|Login failure: Password failure！|false"));
  EXPECT_TRUE(kelbrin::test::WaitUntil(
      [] { return kelbrin::settings::TPubUtil::ReadRegString("SavePwd") == "1"; }));
  EXPECT_NE(kelbrin::settings::TPubUtil::ReadRegString("UserPwd"), "still-wrong");

  EXPECT_EQ(probe.Call("Quit"), std::nullopt);
  EXPECT_EQ(Ended(10s), 0);
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 3);
  EXPECT_EQ(AskStatus("session").exitCode, kelbrin::app::kExitNoClient);
}

// While the active tests go unanswered the state says so, with the time of the last answer, and
// says Online again after the next answer; the session stays logged in throughout.
TEST_F(ClientBusTest, TheStateTellsWhenTheServiceStopsAnswering) {
  BusProbe& probe = ServeOnSessionBus();
  ASSERT_TRUE(probe.Heard(kOnlineNotice)) << ReadFile(dir / "stderr");

  service.control("status?code=500&msg=ActiveTestReq");
  EXPECT_TRUE(kelbrin::test::WaitUntil([] {
    return AskStatus("session").out.rfind("Connection fails — last answer at ", 0) == 0;
  })) << AskStatus("session").out;
  const std::string json = AskStatus("session", true).out;
  EXPECT_THAT(json, HasSubstr("\"state\":\"connection-fails\",\"stateNumber\":3"));
  EXPECT_THAT(json, ::testing::Not(HasSubstr("\"lastAnswer\":null")));

  service.reset();
  EXPECT_TRUE(kelbrin::test::WaitUntil(
      [] { return AskStatus("session").out.rfind("Online — address 127.0.0.1", 0) == 0; }));
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 0);  // reset forgot the first login
}

TEST_F(ClientBusTest, TheRunningInterfaceIsTheOneWrittenDown) {
  BusProbe& probe = ServeOnSessionBus();
  std::string running;
  ASSERT_TRUE(kelbrin::test::WaitUntil([&] {
    running = probe.Introspect();
    return running.find("net.kelbrin.Client1") != std::string::npos;
  })) << ReadFile(dir / "stderr");
  const std::vector<std::string> written =
      Members(ReadFile(KELBRIN_INTERFACE_FILE), "net.kelbrin.Client1");
  EXPECT_GT(written.size(), 30u);
  EXPECT_EQ(Members(running, "net.kelbrin.Client1"), written);
}

TEST_F(ClientBusTest, TheLineAndTheBoxesSavedOverTheBusReachTheSettingsFile) {
  using kelbrin::settings::TPubUtil;
  BusProbe& probe = ServeOnSessionBus();
  ASSERT_TRUE(probe.Heard(kOnlineNotice)) << ReadFile(dir / "stderr");

  // The line is stored as well as started, and the new line is announced at once.
  EXPECT_EQ(probe.Call("SetLine", {BusValue("Lan"), BusValue("lo"), BusValue(""), BusValue(""),
                                   BusValue(false)}),
            std::nullopt);
  EXPECT_TRUE(probe.Heard("PropertiesChanged net.kelbrin.Client1|"));
  EXPECT_TRUE(kelbrin::test::WaitUntil([] {
    return TPubUtil::ReadRegString("LineName") == "lo" &&
           TPubUtil::ReadRegString("InternalLineType") == "3" &&
           TPubUtil::ReadRegString("AutoConn") == "0";
  }));
  EXPECT_EQ(probe.Call("SetLine", {BusValue("Pigeon"), BusValue("lo"), BusValue(""), BusValue(""),
                                   BusValue(true)}),
            "net.kelbrin.Client1.Error.NoSuchLine: Not a line kind: Pigeon");
  EXPECT_EQ(TPubUtil::ReadRegString("AutoConn"), "0");
  // A dial-up entry that the machine's phonebook does not have is refused, not stored.
  EXPECT_EQ(probe.Call("SetLine", {BusValue("Virtual Dial-up"), BusValue("../../../tmp/x"),
                                   BusValue("u"), BusValue("p"), BusValue(true)}),
            "net.kelbrin.Client1.Error.NoSuchLine: Not a dial-up entry: ../../../tmp/x");
  EXPECT_EQ(TPubUtil::ReadRegString("LineName"), "lo");
  EXPECT_EQ(TPubUtil::ReadRegString("InternalLineType"), "3");
  // An entry of the phonebook is stored (its dial may fail: the line is still the stored one).
  std::ofstream(dir / "peers" / "isp") << "noauth\n";
  EXPECT_NE(probe
                .Call("SetLine", {BusValue("Virtual Dial-up"), BusValue("isp"), BusValue("u"),
                                  BusValue("p"), BusValue(false)})
                .value_or(""),
            "net.kelbrin.Client1.Error.NoSuchLine: Not a dial-up entry: isp");
  EXPECT_TRUE(
      kelbrin::test::WaitUntil([] { return TPubUtil::ReadRegString("LineName") == "isp"; }));

  // The run-as-service box travels with the other boxes, under the rule the window keeps.
  EXPECT_EQ(
      probe.Call("SaveSettings", {BusValue(true), BusValue(false), BusValue(true), BusValue(true)}),
      std::nullopt);
  EXPECT_TRUE(kelbrin::test::WaitUntil([] { return TPubUtil::ReadRegString("AsService") == "1"; }));
  EXPECT_THAT(
      probe.Call("SaveSettings", {BusValue(true), BusValue(true), BusValue(true), BusValue(true)})
          .value_or(""),
      StartsWith("org.freedesktop.DBus.Error.InvalidArgs: "));
  EXPECT_THAT(
      probe.Call("SaveSettings", {BusValue(false), BusValue(false), BusValue(true), BusValue(true)})
          .value_or(""),
      StartsWith("org.freedesktop.DBus.Error.InvalidArgs: "));
  EXPECT_EQ(TPubUtil::ReadRegString("AsService"), "1");
  EXPECT_EQ(probe.Call("SaveSettings",
                       {BusValue(true), BusValue(false), BusValue(false), BusValue(true)}),
            std::nullopt);
  EXPECT_TRUE(kelbrin::test::WaitUntil([] { return TPubUtil::ReadRegString("AsService") == "0"; }));
}

// Every change an unprivileged caller asks for goes to polkit, and a refusal or a mere chance to
// authenticate changes nothing and says why in the policy's words.
TEST_F(ClientBusTest, PolkitDecidesEveryChangeOfAnUnprivilegedCaller) {
  using Answer = kelbrin::test::StandInAuthority::Answer;
  const PrivateBus system(dir / "system", PrivateBus::Kind::SystemLike, {KELBRIN_BUS_POLICY});
  const ScopedEnv systemEnv("DBUS_SYSTEM_BUS_ADDRESS", system.Address());
  kelbrin::test::StandInAuthority authority(system.Address());
  BusProbe probe(system.Address());
  probe.Listen();
  StartOnSystemBus(system);
  ASSERT_TRUE(probe.Heard(kOnlineNotice)) << ReadFile(dir / "stderr");

  const std::string logon = "System policy prevents logging the Kelbrin client on or off";
  const std::string settings = "Authentication is required to save the Kelbrin client's settings";
  const struct {
    const char* method;
    std::vector<BusValue> args;
    const char* action;
    std::string denied;
  } calls[] = {
      {"LogOff", {}, "net.kelbrin.client.logon", logon},
      {"RefreshServiceList", {}, "net.kelbrin.client.logon", logon},
      {"LogOnAs",
       {BusValue("intruder"), BusValue("x"), BusValue(true)},
       "net.kelbrin.client.settings",
       settings},
      {"SaveSettings",
       {BusValue(false), BusValue(false), BusValue(false), BusValue(false)},
       "net.kelbrin.client.settings",
       settings},
      {"SetLine",
       {BusValue("Lan"), BusValue("lo"), BusValue(""), BusValue(""), BusValue(true)},
       "net.kelbrin.client.settings",
       settings},
      {"SetLineKeepActive",
       {BusValue(false)},
       "net.kelbrin.client.line",
       "System policy prevents controlling the Kelbrin client's network line"},
      {"Quit",
       {},
       "net.kelbrin.client.quit",
       "Authentication is required to stop the Kelbrin client's service"},
  };
  for (const Answer answer : {Answer::Refused, Answer::Challenge}) {
    for (const auto& call : calls) {
      authority.SetAnswer(call.action, answer);
      const std::string said =
          kelbrin::test::CallFromChild(system.Address(), kNobody, [&](BusProbe& caller) {
            return caller.Call(call.method, call.args, true).value_or("done");
          });
      EXPECT_EQ(said, kAccessDenied + call.denied) << call.method;
    }
  }
  // polkit was asked about each, and allowed to ask the user, since the caller allowed it.
  const auto questions = authority.Questions();
  EXPECT_EQ(questions.size(), 2 * std::size(calls));
  for (const auto& question : questions) EXPECT_TRUE(question.interactive) << question.action;
  EXPECT_THAT(AskStatus("system").out, StartsWith("Online — address 127.0.0.1\n"));
  EXPECT_EQ(kelbrin::settings::TPubUtil::ReadRegString("UserName"), "demo01");
  EXPECT_EQ(kelbrin::settings::TPubUtil::ReadRegString("LineName"), "");

  authority.Allow("net.kelbrin.client.logon");
  EXPECT_EQ(kelbrin::test::CallFromChild(
                system.Address(), kNobody,
                [](BusProbe& caller) { return caller.Call("LogOff").value_or("done"); }),
            "done");
  EXPECT_TRUE(probe.Heard(kLogoutNotice));
}

// A server without polkitd: root manages the service all the same.
TEST_F(ClientBusTest, RootNeedsNoAuthority) {
  const PrivateBus system(dir / "system", PrivateBus::Kind::SystemLike, {KELBRIN_BUS_POLICY});
  const ScopedEnv systemEnv("DBUS_SYSTEM_BUS_ADDRESS", system.Address());
  if (::geteuid() != 0) GTEST_SKIP() << "needs root: the caller must have root's identity";
  BusProbe probe(system.Address());
  probe.Listen();
  StartOnSystemBus(system);
  ASSERT_TRUE(probe.Heard(kOnlineNotice)) << ReadFile(dir / "stderr");
  EXPECT_EQ(probe.Call("LogOff"), std::nullopt);
  EXPECT_TRUE(probe.Heard(kLogoutNotice));
  EXPECT_EQ(probe.Call("LogOn"), std::nullopt);
  EXPECT_TRUE(
      kelbrin::test::WaitUntil([] { return AskStatus("system").out.rfind("Online", 0) == 0; }));
}

// Bad input is refused at the door: nothing of it is kept, and the service stays its size.
TEST_F(ClientBusTest, AnOverlongArgumentIsRefusedAndLeavesTheServiceItsSize) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the service's memory is its allocator's; a sanitizer's keeps freed memory on "
                  "purpose";
#endif
  BusProbe& probe = ServeOnSessionBus();
  ASSERT_TRUE(probe.Heard(kOnlineNotice)) << ReadFile(dir / "stderr");
  EXPECT_EQ(probe.Call("LogOff"), std::nullopt);
  const long before = MemoryKiB(pid_, "VmRSS");
  const long peakBefore = MemoryKiB(pid_, "VmHWM");
  const std::string huge(10 * 1024 * 1024, 'x');
  for (int call = 0; call < 20; ++call) {
    EXPECT_THAT(
        probe.Call("LogOnAs", {BusValue(huge), BusValue("x"), BusValue(false)}).value_or(""),
        StartsWith("org.freedesktop.DBus.Error.InvalidArgs: "));
  }
  // A control character in the user name or the password: refused by name, nothing sent.
  EXPECT_EQ(
      probe.Call("LogOnAs", {BusValue("\x1b[2Jdemo01"), BusValue("demo-pass"), BusValue(false)}),
      "org.freedesktop.DBus.Error.InvalidArgs: Argument user_name: holds a control character");
  EXPECT_EQ(probe.Call("LogOnAs", {BusValue("demo01"), BusValue("demo\x1b-pass"), BusValue(false)}),
            "org.freedesktop.DBus.Error.InvalidArgs: Argument password: holds a control character");
  EXPECT_LT(MemoryKiB(pid_, "VmRSS") - before, 8 * 1024) << "before: " << before << " KiB";
  // Receiving one message needs its size once; twenty of them are never held at the same time.
  EXPECT_LT(MemoryKiB(pid_, "VmHWM") - peakBefore, 24 * 1024)
      << "peak before: " << peakBefore << " KiB";
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 1);
  EXPECT_EQ(kelbrin::settings::TPubUtil::ReadRegString("UserName"), "demo01");
}

// A log entry with bytes that are not UTF-8 (from the address command) reaches readers escaped,
// and every reader's call is still answered.
TEST_F(ClientBusTest, ALogEntryThatIsNotUtf8IsSentEscaped) {
  const auto command = dir / "odd-bytes";
  std::ofstream(command) << "#!/bin/sh\nprintf 'odd \\377\\376 bytes\\n'\n";
  std::filesystem::permissions(command, std::filesystem::perms::owner_all);
  kelbrin::settings::TPubUtil::WriteRegStrings({{"AddressChangeCommand", command.string()}});
  BusProbe& probe = ServeOnSessionBus();
  ASSERT_TRUE(probe.Heard("\\xFF\\xFE bytes")) << ReadFile(dir / "stderr");
  const BusProbe::Reply log = probe.Ask("GetLog");
  ASSERT_FALSE(log.error) << *log.error;
  EXPECT_THAT(kelbrin::test::Describe(log), HasSubstr("odd \\xFF\\xFE bytes"));
  EXPECT_TRUE(kelbrin::test::WaitUntil([&] { return !probe.Ask("GetServiceList").error; }));
  EXPECT_EQ(AskStatus("session").exitCode, 0);
}

TEST_F(ClientBusTest, ABusOutOfReachIsAWarningAndTheAddressStaysCurrent) {
  StartService("session", None(), None());
  EXPECT_TRUE(kelbrin::test::WaitUntil([&] {
    return ReadFile(dir / "stderr").find("IP updates successfully：127.0.0.1") != std::string::npos;
  }));
  EXPECT_THAT(ReadFile(dir / "stderr"), HasSubstr("kelbrin-client: not on D-Bus (session bus: "));
  // Without a bus --status reads the file the service keeps.
  const ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", (dir / "runtime").string());
  const ScopedEnv sessionEnv("DBUS_SESSION_BUS_ADDRESS", None());
  const ScopedEnv systemEnv("DBUS_SYSTEM_BUS_ADDRESS", None());
  EXPECT_THAT(AskStatus(std::nullopt).out, StartsWith("Online — address 127.0.0.1\n"));
}

TEST_F(ClientBusTest, ALostBusIsAWarningAndTheAddressStaysCurrent) {
  std::optional<PrivateBus> session(std::in_place, dir / "session", PrivateBus::Kind::SessionLike);
  {
    BusProbe probe(session->Address());
    probe.Listen();
    StartService("session", session->Address(), None());
    ASSERT_TRUE(probe.Heard(kOnlineNotice)) << ReadFile(dir / "stderr");
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
