// The process started with INSTALL or UNINSTALL, against a temporary unit folder and a systemctl
// on PATH that only exits with the status the case gives it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "app/commands/ServiceSetup.h"
#include "platform/files/Autostart.h"
#include "platform/systemd/SystemdServiceManager.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {
namespace {

using ::testing::HasSubstr;
using Scope = platform::SystemdServiceManager::Scope;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ServiceSetupTest : public ::testing::Test {
 protected:
  ServiceSetupTest() {
    SystemctlExits(0);
    settings::SetConfigRoot(dir_ / "config");
  }
  ~ServiceSetupTest() override { settings::SetConfigRoot({}); }

  void SystemctlExits(int code) {
    std::ofstream(dir_ / "systemctl") << "#!/bin/sh\nexit " << code << "\n";
    fs::permissions(dir_ / "systemctl", fs::perms::owner_all);
  }

  int Run(ServiceSwitches switches, const Options& options = {}) {
    out_.str("");
    err_.str("");
    return RunServiceSetup(switches, options, manager_, out_, err_);
  }

  std::string Unit() const { return ReadFile(dir_ / "units" / "PROKelbrinService.service"); }

  test::TempDir dir_;
  test::ScopedEnv path_{"PATH", dir_.path().string()};
  test::ScopedEnv pkexecUid_{"PKEXEC_UID", std::nullopt};
  test::ScopedEnv sudoUid_{"SUDO_UID", std::nullopt};
  platform::SystemdServiceManager manager_{Scope::System, std::chrono::seconds(5), dir_ / "units"};
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ServiceSetupTest, InstallRegistersThisExecutableWithItsSettingsFolder) {
  Options options;
  options.endpoint = "http://127.0.0.1:8080/pelmar/pelmar.dll/";
  ASSERT_EQ(Run({.install = true}, options), 0) << err_.str();
  EXPECT_THAT(Unit(), HasSubstr("Description=Kelbrin V6.0 Service\n"));
  EXPECT_THAT(Unit(),
              HasSubstr("ExecStart=\"" + platform::RunningExecutable().string() +
                        "\" \"--service\" \"--config-root\" \"" + (dir_ / "config").string() +
                        "\" \"--endpoint\" \"http://127.0.0.1:8080/pelmar/pelmar.dll/\"\n"));
  EXPECT_THAT(Unit(), HasSubstr("Restart=on-failure\n"));
  EXPECT_EQ(out_.str(), "kelbrin-client: service PROKelbrinService installed\n");
}

TEST_F(ServiceSetupTest, InstallWinsWhenBothSwitchesAreGiven) {
  ASSERT_EQ(Run({.install = true, .uninstall = true}), 0) << err_.str();
  EXPECT_TRUE(fs::exists(dir_ / "units" / "PROKelbrinService.service"));
}

TEST_F(ServiceSetupTest, RootInstallingForAUserRunsTheServiceAsThatUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root installs on behalf of another user";
  const test::ScopedEnv pkexec("PKEXEC_UID", "65534");
  ASSERT_EQ(Run({.install = true, .silent = true}), 0);
  EXPECT_THAT(Unit(), HasSubstr("User=nobody\n"));
  // Without --config-root, the user's own settings folder, not root's.
  EXPECT_THAT(Unit(), HasSubstr("\"--config-root\" \"/nonexistent/.config/kelbrin-client\""));

  Options options;
  options.configRoot = (dir_ / "config").string();
  ASSERT_EQ(Run({.install = true, .silent = true}, options), 0);
  EXPECT_THAT(Unit(), HasSubstr("\"--config-root\" \"" + (dir_ / "config").string() + "\""));
}

TEST_F(ServiceSetupTest, UninstallRemovesTheUnitAndFailsWhenThereIsNone) {
  ASSERT_EQ(Run({.install = true}), 0);
  EXPECT_EQ(Run({.uninstall = true}), 0);
  EXPECT_EQ(out_.str(), "kelbrin-client: service PROKelbrinService uninstalled\n");
  EXPECT_FALSE(fs::exists(dir_ / "units" / "PROKelbrinService.service"));

  EXPECT_EQ(Run({.uninstall = true}), 1);
  EXPECT_THAT(err_.str(), HasSubstr("not uninstalled"));
}

TEST_F(ServiceSetupTest, SilentHidesTheOutcomeButTheExitStatusTellsIt) {
  SystemctlExits(1);
  EXPECT_EQ(Run({.install = true, .silent = true}), 1);
  EXPECT_EQ(Run({.uninstall = true, .silent = true}), 1);
  EXPECT_EQ(out_.str() + err_.str(), "");
}

}  // namespace
}  // namespace kelbrin::app
