// The check box's install and uninstall: the setup command runs in the background and its outcome
// comes back as a "Tip" box on the loop's thread. Scripts stand in for pkexec and the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <thread>

#include "TempDir.h"
#include "app/desktop/ServiceInstaller.h"
#include "runtime/CoreEventLoop.h"

namespace kelbrin::app {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

class RecordingPresenter final : public runtime::Presenter {
 public:
  void ShowHintPopup(const std::string&, const std::string&) override {}
  void StartBeep(int) override {}
  void MessageBeep() override {}
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    boxes.push_back("error " + caption + ": " + text);
  }
  void ShowInfoBox(const std::string& caption, const std::string& text) override {
    boxes.push_back("info " + caption + ": " + text);
  }
  void ShowMainWindow() override {}

  std::vector<std::string> boxes;
};

class ServiceInstallerTest : public ::testing::Test {
 protected:
  // A script at dir/name that writes its pid and its arguments to dir/name.ran, then runs `body`.
  std::string Script(const std::string& name, const std::string& body) {
    const fs::path script = dir_ / name;
    std::ofstream(script) << "#!/bin/sh\necho $$ \"$@\" > '" << script.string() << ".ran'\n"
                          << body << "\n";
    fs::permissions(script, fs::perms::owner_all);
    return script.string();
  }

  bool RunUntilBoxes(std::size_t count) {
    return loop_.RunUntil([&] { return presenter_.boxes.size() >= count; }, 20s);
  }

  test::TempDir dir_;
  runtime::CoreEventLoop loop_{runtime::RealClock()};
  RecordingPresenter presenter_;
};

struct OutcomeCase {
  const char* what;
  bool install;
  const char* program;  // the script's name: "pkexec" stands for pkexec
  const char* body;     // empty: the program does not exist
  const char* box;
};

class InstallerOutcomes : public ServiceInstallerTest,
                          public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(InstallerOutcomes, TheBoxTellsHowTheSetupEnded) {
  const OutcomeCase& c = GetParam();
  const std::string program = *c.body ? Script(c.program, c.body) : (dir_ / c.program).string();
  ServiceInstaller installer(loop_, presenter_, [&](bool install) {
    return std::vector<std::string>{program, install ? "-install" : "-uninstall"};
  });
  std::vector<bool> outcomes;
  const auto done = [&outcomes](bool succeeded) { outcomes.push_back(succeeded); };
  if (c.install) {
    installer.InstallService(done);
  } else {
    installer.UninstallService(done);
  }
  ASSERT_TRUE(RunUntilBoxes(1));
  if (std::string(c.program) == "no-such-program") {
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0],
              std::string("info Tip: ") + c.box + program + " cannot be started.");
  } else {
    EXPECT_THAT(presenter_.boxes, ElementsAre(std::string("info Tip: ") + c.box));
  }
  // The caller learns the outcome once, after the box: only an exit status of 0 is success.
  EXPECT_THAT(outcomes, ElementsAre(std::string(c.body) == "exit 0"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallerOutcomes,
    ::testing::Values(
        OutcomeCase{"install_done", true, "setup", "exit 0",
                    "Kelbrin service has been installed successfully"},
        OutcomeCase{"uninstall_done", false, "setup", "exit 0",
                    "Kelbrin has been uninstalled successfully"},
        // pkexec: 126 when the user dismissed the authentication, 127 when not authorised.
        OutcomeCase{"install_refused", true, "pkexec", "exit 126",
                    "Kelbrin install failed\n"
                    "The administrator's authorization was refused or cancelled."},
        OutcomeCase{"uninstall_refused", false, "pkexec", "exit 127",
                    "Kelbrin uninstall failed\n"
                    "The administrator's authorization was refused or cancelled."},
        OutcomeCase{"install_unit_not_written", true, "setup", "exit 1",
                    "Kelbrin install failed\n"
                    "The service's systemd unit could not be written or enabled (exit status 1)."},
        OutcomeCase{"install_no_pkexec", true, "pkexec", "",
                    "Kelbrin install failed\n"
                    "pkexec is not installed: install the pkexec package (policykit), or run the "
                    "client as root."},
        OutcomeCase{"uninstall_no_program", false, "no-such-program", "",
                    "Kelbrin uninstall failed\n"}),
    [](const auto& param) { return std::string(param.param.what); });

pid_t RecordedPid(const fs::path& ranFile) {
  // The shell creates the file before it writes the pid into it: wait for the pid itself.
  for (int i = 0; i < 200; ++i) {
    pid_t pid = -1;
    if (std::ifstream(ranFile) >> pid) return pid;
    std::this_thread::sleep_for(10ms);
  }
  return -1;
}

TEST_F(ServiceInstallerTest, ASetupThatOutlivesItsBoundFailsAndIsEnded) {
  const std::string program = Script("setup", "exec sleep 60");
  ServiceInstaller installer(
      loop_, presenter_, [&](bool) { return std::vector<std::string>{program}; }, 200ms);
  std::vector<bool> outcomes;
  installer.InstallService([&outcomes](bool succeeded) { outcomes.push_back(succeeded); });
  ASSERT_TRUE(RunUntilBoxes(1));
  EXPECT_THAT(presenter_.boxes,
              ElementsAre("info Tip: Kelbrin install failed\nThe setup did not end in time and was "
                          "stopped."));
  EXPECT_THAT(outcomes, ElementsAre(false));
  const pid_t pid = RecordedPid(dir_ / "setup.ran");
  ASSERT_GT(pid, 0);
  EXPECT_NE(::kill(pid, 0), 0);
}

TEST_F(ServiceInstallerTest, ClosingWhileASetupRunsEndsItAndShowsNoBox) {
  const std::string program = Script("setup", "exec sleep 60");
  pid_t pid = -1;
  bool told = false;
  {
    ServiceInstaller installer(loop_, presenter_,
                               [&](bool) { return std::vector<std::string>{program}; });
    installer.UninstallService([&told](bool) { told = true; });
    pid = RecordedPid(dir_ / "setup.ran");
  }
  ASSERT_GT(pid, 0);
  EXPECT_NE(::kill(pid, 0), 0);
  loop_.ProcessPending();
  EXPECT_TRUE(presenter_.boxes.empty());
  EXPECT_FALSE(told);
}

TEST(ServiceSetupCommand, RunsThisProgramSilentlyWithTheUsersSettingsBehindPkexec) {
  EXPECT_THAT(ServiceSetupCommand(true, "/opt/k/kelbrin-client", "/home/ann/.config/kelbrin-client",
                                  std::nullopt, false),
              ElementsAre("pkexec", "/opt/k/kelbrin-client", "-install", "-silent", "--config-root",
                          "/home/ann/.config/kelbrin-client"));
  EXPECT_THAT(ServiceSetupCommand(false, "/opt/k/kelbrin-client", "/etc/kelbrin-client",
                                  "http://127.0.0.1:9/", true),
              ElementsAre("/opt/k/kelbrin-client", "-uninstall", "-silent", "--config-root",
                          "/etc/kelbrin-client", "--endpoint", "http://127.0.0.1:9/"));
}

}  // namespace
}  // namespace kelbrin::app
