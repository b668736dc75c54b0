// Installing, removing and stopping the client's systemd unit, against a scripted systemctl on
// PATH and a temporary unit folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/systemd/SystemdServiceManager.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;
using test::TempDir;
using ::testing::HasSubstr;
namespace fs = std::filesystem;
using Scope = SystemdServiceManager::Scope;

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// systemctl as a script: it appends its arguments to "calls", answers "show -p ActiveState" with
// the next line of "states", and exits with the number in "VERB.rc" (0 when there is none).
class ScriptedSystemctl : public ::testing::Test {
 protected:
  ScriptedSystemctl() {
    const fs::path script = bin_ / "systemctl";
    std::ofstream(script) << "#!/bin/sh\n"
                          << "cd '" << dir_.path().string() << "'\n"
                          << "printf '%s\\n' \"$*\" >> calls\n"
                          << "[ \"$1\" = --user ] && shift\n"
                          << "if [ \"$1\" = show ] && [ \"$3\" = ActiveState ]; then\n"
                          << "  head -n 1 states; sed -i 1d states\n"
                          << "fi\n"
                          << "[ -f \"$1.rc\" ] && exit \"$(cat \"$1.rc\")\"\n"
                          << "exit 0\n";
    fs::permissions(script, fs::perms::owner_all);
  }

  void ExitCode(const std::string& verb, int code) { std::ofstream(dir_ / (verb + ".rc")) << code; }
  void States(const std::string& lines) { std::ofstream(dir_ / "states") << lines; }
  std::string Calls() const { return ReadFile(dir_ / "calls"); }

  static ServiceDefinition Kelbrin() {
    return {"PROKelbrinService",
            "Kelbrin V6.0 Service",
            {"/opt/kelbrin/kelbrin-client", "--service", "--config-root", "/home/ann/.config/k"},
            "ann",
            "/home/ann/.config/k",
            "",
            false};
  }

  TempDir dir_;
  fs::path bin_ = dir_.path();
  fs::path units_ = dir_ / "units";
  test::ScopedEnv path_{"PATH", bin_.string() + ":/usr/bin:/bin"};
};

TEST_F(ScriptedSystemctl, InstallWritesTheUnitAndEnablesIt) {
  SystemdServiceManager manager(Scope::System, 5s, units_);
  std::string error;
  ASSERT_TRUE(manager.Install(Kelbrin(), error)) << error;

  EXPECT_EQ(ReadFile(units_ / "PROKelbrinService.service"),
            "[Unit]\n"
            "Description=Kelbrin V6.0 Service\n"
            "Wants=network-online.target\n"
            "After=network-online.target\n"
            "\n[Service]\n"
            "Type=notify\n"
            "ExecStart=\"/opt/kelbrin/kelbrin-client\" \"--service\" \"--config-root\" "
            "\"/home/ann/.config/k\"\n"
            "User=ann\n"
            "Restart=on-failure\n"
            "UMask=0077\n"
            "LimitCORE=0\n"
            "NoNewPrivileges=yes\n"
            "RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6 AF_NETLINK AF_PPPOX AF_PACKET\n"
            "RestrictNamespaces=yes\n"
            "RestrictRealtime=yes\n"
            "RestrictSUIDSGID=yes\n"
            "LockPersonality=yes\n"
            "MemoryDenyWriteExecute=yes\n"
            "SystemCallArchitectures=native\n"
            "SystemCallFilter=@system-service\n"
            "SystemCallFilter=~@privileged @resources @mount @swap @reboot @raw-io @module "
            "@obsolete @debug @cpu-emulation @clock\n"
            "SystemCallErrorNumber=EPERM\n"
            "CapabilityBoundingSet=CAP_NET_ADMIN CAP_NET_RAW\n"
            "AmbientCapabilities=CAP_NET_ADMIN CAP_NET_RAW\n"
            "ProtectSystem=strict\n"
            "ProtectHome=read-only\n"
            "ReadWritePaths=\"-/home/ann/.config/k\"\n"
            "ReadWritePaths=/run\n"
            "PrivateTmp=yes\n"
            "PrivateMounts=yes\n"
            "PrivateIPC=yes\n"
            "RemoveIPC=yes\n"
            "KeyringMode=private\n"
            "DevicePolicy=closed\n"
            "DeviceAllow=/dev/ppp rw\n"
            "DeviceAllow=char-ttyS rw\n"
            "DeviceAllow=char-ttyUSB rw\n"
            "DeviceAllow=char-ttyACM rw\n"
            "ProtectKernelTunables=yes\n"
            "ProtectKernelModules=yes\n"
            "ProtectKernelLogs=yes\n"
            "ProtectControlGroups=yes\n"
            "ProtectClock=yes\n"
            "ProtectHostname=yes\n"
            "ProtectProc=invisible\n"
            "ReadWritePaths=\"-/etc/credstore.encrypted\"\n"
            "DeviceAllow=/dev/tpmrm0 rw\n"
            "LoadCredentialEncrypted=kelbrin-client.account:"
            "/etc/credstore.encrypted/kelbrin-client.account\n"
            "SetCredential=kelbrin-client.account:none\n"
            "LoadCredentialEncrypted=kelbrin-client.line:"
            "/etc/credstore.encrypted/kelbrin-client.line\n"
            "SetCredential=kelbrin-client.line:none\n"
            "\n[Install]\n"
            "WantedBy=multi-user.target\n");
  EXPECT_EQ(fs::status(units_ / "PROKelbrinService.service").permissions() & fs::perms::all,
            fs::perms(0644));
  EXPECT_EQ(Calls(), "daemon-reload\nenable PROKelbrinService.service\n");
}

// The homes stay readable only for a service whose settings are in one.
TEST_F(ScriptedSystemctl, ASystemUnitWithSettingsOutsideTheHomesHidesThem) {
  SystemdServiceManager manager(Scope::System, 5s, units_);
  ServiceDefinition service = Kelbrin();
  service.command.back() = service.writableFolder = "/etc/kelbrin-client";
  std::string error;
  ASSERT_TRUE(manager.Install(service, error)) << error;
  const std::string unit = ReadFile(units_ / "PROKelbrinService.service");
  EXPECT_THAT(unit, HasSubstr("\nProtectHome=yes\n"));
  EXPECT_THAT(unit, HasSubstr("\nReadWritePaths=\"-/etc/kelbrin-client\"\n"));
}

TEST_F(ScriptedSystemctl, AUserUnitIsWantedByTheUsersDefaultTarget) {
  SystemdServiceManager manager(Scope::User, 5s, units_);
  ServiceDefinition service = Kelbrin();
  service.user.clear();
  std::string error;
  ASSERT_TRUE(manager.Install(service, error)) << error;
  const std::string unit = ReadFile(units_ / "PROKelbrinService.service");
  EXPECT_THAT(unit, HasSubstr("WantedBy=default.target\n"));
  EXPECT_THAT(unit, ::testing::Not(HasSubstr("User=")));
  EXPECT_THAT(unit, ::testing::Not(HasSubstr("network-online")));
  EXPECT_THAT(unit, ::testing::Not(HasSubstr("Credential"))) << "sealed for the system only";
  // Confined as far as a user's manager can: no core dump, no new privileges, filtered calls.
  EXPECT_THAT(unit, HasSubstr("LimitCORE=0\n"));
  EXPECT_THAT(unit, HasSubstr("NoNewPrivileges=yes\n"));
  EXPECT_THAT(unit, HasSubstr("SystemCallFilter=@system-service\n"));
  EXPECT_THAT(unit, HasSubstr("RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6 AF_NETLINK\n"));
  EXPECT_THAT(unit, ::testing::Not(HasSubstr("ProtectSystem=")));
  EXPECT_THAT(unit, ::testing::Not(HasSubstr("Capabilit")));
  EXPECT_EQ(Calls(), "--user daemon-reload\n--user enable PROKelbrinService.service\n");
}

TEST_F(ScriptedSystemctl, AFailedEnableLeavesNoUnitBehind) {
  ExitCode("enable", 1);
  SystemdServiceManager manager(Scope::System, 5s, units_);
  std::string error;
  EXPECT_FALSE(manager.Install(Kelbrin(), error));
  EXPECT_THAT(error, HasSubstr("enable"));
  EXPECT_FALSE(fs::exists(units_ / "PROKelbrinService.service"));
}

TEST_F(ScriptedSystemctl, ADefinitionThatWouldInjectDirectivesIsRefused) {
  SystemdServiceManager manager(Scope::System, 5s, units_);
  std::vector<ServiceDefinition> bad(8, Kelbrin());
  bad[0].user = "ann\nExecStartPre=/bin/evil";
  bad[1].command.push_back("x\nUser=root");
  bad[2].command.front() = "kelbrin-client";  // not a full path
  bad[3].name = "../PROKelbrinService";
  bad[4].writableFolder = "/home/ann\nReadWritePaths=/";
  bad[5].stateFolder = "../../etc";
  bad[6].stateFolder = "..";
  bad[7].stateFolder = "k\nExecStartPre=/bin/evil";
  for (const ServiceDefinition& service : bad) {
    std::string error;
    EXPECT_FALSE(manager.Install(service, error)) << service.name;
  }
  EXPECT_FALSE(fs::exists(units_));
  EXPECT_EQ(Calls(), "");
}

// The state folder (the address history), the runtime folder (the status file) and the reload
// on SIGHUP, in either scope.
TEST_F(ScriptedSystemctl, AStateFolderAndAReloadAreHandedToTheManager) {
  for (const Scope scope : {Scope::System, Scope::User}) {
    SystemdServiceManager manager(scope, 5s, units_);
    ServiceDefinition service = Kelbrin();
    service.stateFolder = "kelbrin-client";
    service.reloadsOnHangUp = true;
    std::string error;
    ASSERT_TRUE(manager.Install(service, error)) << error;
    const std::string unit = ReadFile(units_ / "PROKelbrinService.service");
    EXPECT_THAT(unit, HasSubstr("\nStateDirectory=kelbrin-client\n"));
    EXPECT_THAT(unit, HasSubstr("\nRuntimeDirectory=kelbrin-client\nRuntimeDirectoryMode=0700\n"));
    EXPECT_THAT(unit, HasSubstr("\nExecReload=/bin/kill -HUP $MAINPID\n"));
  }
}

TEST(SystemdExecArgument, QuotesWhatSystemdWouldOtherwiseExpandOrSplit) {
  EXPECT_EQ(SystemdServiceManager::ExecArgument("/a b/c"), "\"/a b/c\"");
  EXPECT_EQ(SystemdServiceManager::ExecArgument("100%$HOME"), "\"100%%$$HOME\"");
  EXPECT_EQ(SystemdServiceManager::ExecArgument("say \"hi\" \\n"), "\"say \\\"hi\\\" \\\\n\"");
}

TEST_F(ScriptedSystemctl, UninstallDisablesAndRemovesTheUnit) {
  SystemdServiceManager manager(Scope::System, 5s, units_);
  std::string error;
  ASSERT_TRUE(manager.Install(Kelbrin(), error)) << error;
  ASSERT_TRUE(manager.Uninstall("PROKelbrinService", error)) << error;
  EXPECT_FALSE(fs::exists(units_ / "PROKelbrinService.service"));
  EXPECT_THAT(Calls(), ::testing::EndsWith("disable PROKelbrinService.service\ndaemon-reload\n"));
}

TEST_F(ScriptedSystemctl, UninstallStopsARunningServiceBeforeRemovingItsUnit) {
  SystemdServiceManager manager(Scope::System, 5s, units_);
  std::string error;
  ASSERT_TRUE(manager.Install(Kelbrin(), error)) << error;
  std::filesystem::remove(dir_ / "calls");
  States("active\ninactive\n");
  ASSERT_TRUE(manager.Uninstall("PROKelbrinService", error)) << error;
  EXPECT_FALSE(fs::exists(units_ / "PROKelbrinService.service"));
  EXPECT_EQ(Calls(),
            "stop --no-block PROKelbrinService.service\n"
            "show -p ActiveState --value PROKelbrinService.service\n"
            "show -p ActiveState --value PROKelbrinService.service\n"
            "disable PROKelbrinService.service\n"
            "daemon-reload\n");
}

TEST_F(ScriptedSystemctl, AServiceThatDoesNotStopKeepsItsUnit) {
  SystemdServiceManager manager(Scope::System, 5s, units_);
  std::string error;
  ASSERT_TRUE(manager.Install(Kelbrin(), error)) << error;
  ExitCode("stop", 1);
  States("active\n");
  EXPECT_FALSE(manager.Uninstall("PROKelbrinService", error));
  EXPECT_THAT(error, HasSubstr("still running"));
  EXPECT_TRUE(fs::exists(units_ / "PROKelbrinService.service"));
  EXPECT_THAT(Calls(), ::testing::Not(HasSubstr("disable")));
}

TEST_F(ScriptedSystemctl, UninstallWithoutAUnitFails) {
  SystemdServiceManager manager(Scope::System, 5s, units_);
  std::string error;
  EXPECT_FALSE(manager.Uninstall("PROKelbrinService", error));
  EXPECT_THAT(error, HasSubstr("does not exist"));
  EXPECT_EQ(Calls(), "");
}

struct StopCase {
  const char* what;
  const char* states;  // the answers to "show -p ActiveState", one per line
  int stopExit;
  bool stopped;
  int pauses;
};

class StopCases : public ScriptedSystemctl, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopCases, StopAsksWithoutBlockingAndWatchesTheStateBounded) {
  const StopCase& c = GetParam();
  ExitCode("stop", c.stopExit);
  States(c.states);
  SystemdServiceManager manager(Scope::System, 5s, units_);
  int pauses = 0;
  const bool stopped = manager.Stop("PROKelbrinService", 1h, [&pauses](auto) {
    ++pauses;
    return pauses < 3;  // the waiter gives up after the third pause
  });
  EXPECT_EQ(stopped, c.stopped);
  EXPECT_EQ(pauses, c.pauses);
  EXPECT_THAT(Calls(), ::testing::StartsWith("stop --no-block PROKelbrinService.service\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StopCases,
    ::testing::Values(StopCase{"stops_after_two_looks", "deactivating\ninactive\n", 0, true, 1},
                      StopCase{"failed_counts_as_stopped", "failed\n", 0, true, 0},
                      StopCase{"waiter_cancelled", "active\nactive\nactive\nactive\n", 0, false, 3},
                      StopCase{"refused_but_stopped", "inactive\n", 1, true, 0},
                      StopCase{"refused_and_running", "active\n", 1, false, 0},
                      StopCase{"state_unreadable", "", 0, false, 0}),
    [](const auto& param) { return std::string(param.param.what); });

TEST_F(ScriptedSystemctl, StopEndsAtItsDeadline) {
  States("active\nactive\n");
  SystemdServiceManager manager(Scope::System, 5s, units_);
  int pauses = 0;
  EXPECT_FALSE(manager.Stop("PROKelbrinService", 0ms, [&pauses](auto) { return ++pauses, true; }));
  EXPECT_EQ(pauses, 0);
}

struct CgroupCase {
  const char* what;
  const char* cgroup;
  bool inside;
};

class CgroupCases : public ::testing::TestWithParam<CgroupCase> {};

TEST_P(CgroupCases, OnlyAProcessInsideTheUnitRunsAsTheService) {
  EXPECT_EQ(SystemdServiceManager::CgroupInUnit(GetParam().cgroup, "PROKelbrinService.service"),
            GetParam().inside);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CgroupCases,
    ::testing::Values(
        CgroupCase{"system_unit", "0::/system.slice/PROKelbrinService.service\n", true},
        CgroupCase{"user_unit",
                   "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                   "PROKelbrinService.service\n",
                   true},
        CgroupCase{"v1_named_hierarchy",
                   "12:cpu,cpuacct:/\n1:name=systemd:/system.slice/PROKelbrinService.service\n",
                   true},
        CgroupCase{"desktop_session", "0::/user.slice/user-1000.slice/session-2.scope\n", false},
        CgroupCase{"other_unit", "0::/system.slice/PROKelbrinService.service2\n", false},
        CgroupCase{"v1_other_controller", "4:memory:/system.slice/PROKelbrinService.service\n",
                   false},
        CgroupCase{"empty", "", false}),
    [](const auto& param) { return std::string(param.param.what); });

TEST(SystemdServiceManager, ThisTestProcessIsNotTheService) {
  SystemdServiceManager manager(Scope::System);
  EXPECT_FALSE(manager.RunsAs("PROKelbrinService"));
}

}  // namespace
}  // namespace kelbrin::platform
