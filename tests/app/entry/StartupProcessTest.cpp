// Start-up of the real executable beside a running desktop instance, which the test plays itself
// with the same single-instance markers in a private runtime folder, or which is a real desktop on
// Qt's offscreen platform.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "app/desktop/DesktopMode.h"
#include "platform/process/SingleInstance.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

class StartupProcessTest : public ::testing::Test {
 protected:
  // Starts the client without a display (unless `extraEnv` names one), with the test's runtime,
  // home and XDG folders; its output goes to `name`.out and `name`.err.
  pid_t StartClient(const std::vector<std::string>& extraArgs = {},
                    const std::vector<std::string>& extraEnv = {},
                    const std::string& name = "client") {
    std::vector<std::string> env;
    const std::vector<std::string> dropped = {"XDG_RUNTIME_DIR=",
                                              "DISPLAY=",
                                              "WAYLAND_DISPLAY=",
                                              "QT_QPA_PLATFORM=",
                                              "HOME=",
                                              "XDG_CONFIG_HOME=",
                                              "XDG_DATA_HOME=",
                                              "XDG_STATE_HOME=",
                                              "XDG_CACHE_HOME=",
                                              "DBUS_SESSION_BUS_ADDRESS=",
                                              "DBUS_SYSTEM_BUS_ADDRESS="};
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      if (std::none_of(dropped.begin(), dropped.end(),
                       [&text](const std::string& name) { return text.rfind(name, 0) == 0; })) {
        env.push_back(text);
      }
    }
    env.push_back("XDG_RUNTIME_DIR=" + runtime_.string());
    for (const char* folder : {"home", "config", "data", "state", "cache"})
      std::filesystem::create_directories(dir_ / folder);
    env.push_back("HOME=" + (dir_ / "home").string());
    env.push_back("XDG_CONFIG_HOME=" + (dir_ / "config").string());
    env.push_back("XDG_DATA_HOME=" + (dir_ / "data").string());
    env.push_back("XDG_STATE_HOME=" + (dir_ / "state").string());
    env.push_back("XDG_CACHE_HOME=" + (dir_ / "cache").string());
    // No bus: the desktop runs its own session and touches nobody's service.
    env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + (dir_ / "no-bus").string());
    env.push_back("DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (dir_ / "no-bus").string());
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<std::string> args = {KELBRIN_CLIENT_EXECUTABLE, "--config-root",
                                     (dir_ / "settings").string(), "--endpoint",
                                     "http://127.0.0.1:9/pelmar/pelmar.dll/"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ / (name + ".out")).c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / (name + ".err")).c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
  }

  static int ExitStatus(pid_t pid) {
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  std::string Output(const std::string& name = "client") const {
    return ReadFile(dir_ / (name + ".out")) + ReadFile(dir_ / (name + ".err"));
  }

  static std::string ReadFile(const std::filesystem::path& path) {
    // Not `stream << rdbuf()`: an empty file would set failbit and swallow what follows.
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  // `running` (listening) is asked to show itself once, and `second` ends at once, silently.
  void ExpectHandOver(platform::SingleInstance& running, pid_t second) {
    int shows = 0;
    for (int round = 0; round < 200 && shows == 0; ++round) {  // a guard against a hang only
      pollfd listening{running.ListenFd(), POLLIN, 0};
      if (poll(&listening, 1, 50) > 0) running.ServePending([&shows] { ++shows; });
    }
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(ExitStatus(second), 0);
    EXPECT_EQ(Output(), "");
  }

  test::TempDir dir_;
  std::filesystem::path runtime_ = dir_.path();
};

TEST_F(StartupProcessTest, ASecondStartHandsOverToTheRunningInstanceAndEndsAtOnce) {
  platform::SingleInstance running(kInstanceName, runtime_);
  ASSERT_TRUE(running.Acquire());
  const pid_t second = StartClient();
  ASSERT_GT(second, 0);
  ExpectHandOver(running, second);
}

// The running instance is still starting: it holds the lock, its socket is not there yet. The
// new start waits for it to listen and hands over, instead of ending with nothing shown.
TEST_F(StartupProcessTest, ASecondStartWhileTheFirstIsStartingWaitsForItAndHandsOver) {
  if (!HasDesktop()) GTEST_SKIP() << "this build has no desktop to hand over to";
  platform::SingleInstance running(kInstanceName, runtime_);
  ASSERT_TRUE(running.Lock());
  // Only a start that goes for the lock opens its file: the new one has found it taken.
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, running.LockPath().c_str(), IN_OPEN), 0);
  const pid_t second = StartClient();
  ASSERT_GT(second, 0);
  pollfd opened{watch, POLLIN, 0};
  ASSERT_EQ(poll(&opened, 1, 30000), 1) << "the new start never went for the lock";  // a guard
  ::close(watch);

  running.Listen();
  ExpectHandOver(running, second);
}

// Two real desktops started one right after the other with a saved password (so the instance
// starts hidden): whichever takes the lock, however far it has got when the other asks, its
// window comes up and the other ends. A request that comes before the window exists is kept.
TEST_F(StartupProcessTest, TwoStartsAtOnceBringOneWindowUp) {
  if (!HasDesktop()) GTEST_SKIP() << "this build has no desktop";
  settings::SetConfigRoot(dir_ / "settings");
  settings::TPubUtil::WriteRegStrings(
      {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  const std::vector<std::string> offscreen = {"QT_QPA_PLATFORM=offscreen"};
  std::map<pid_t, std::string> starts;
  for (const char* name : {"first", "second"}) {
    const pid_t pid = StartClient(
        {"--state-report", (dir_ / (std::string(name) + ".report")).string()}, offscreen, name);
    ASSERT_GT(pid, 0);
    starts[pid] = name;
  }
  int status = 0;
  const pid_t ended = waitpid(-1, &status, 0);
  ASSERT_EQ(starts.count(ended), 1u);
  const std::string handedOver = starts[ended];
  starts.erase(ended);
  const auto [running, name] = *starts.begin();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Output(handedOver);
  EXPECT_EQ(Output(handedOver), "");

  bool shown = false;
  for (int round = 0; round < 600 && !shown; ++round) {  // a guard against a hang only
    const std::string state = ReadFile(dir_ / (name + ".report"));
    shown = state.find("WindowVisible=1\n") != std::string::npos &&
            state.find("WindowMinimized=0\n") != std::string::npos;
    if (!shown) ::poll(nullptr, 0, 50);
  }
  EXPECT_TRUE(shown) << ReadFile(dir_ / (name + ".report")) << Output(name);
  ::kill(running, SIGTERM);
  EXPECT_EQ(ExitStatus(running), 0) << Output(name);
}

TEST_F(StartupProcessTest, WithoutADisplayTheDesktopSaysSoAndLeavesNoMarkers) {
  EXPECT_EQ(ExitStatus(StartClient()), 1);
  EXPECT_THAT(Output(), HasSubstr(HasDesktop() ? "no display" : "this build has no desktop"));
  EXPECT_FALSE(std::filesystem::exists(runtime_ / "Kelbrin client V6.0.socket"));
  platform::SingleInstance next(kInstanceName, runtime_);
  EXPECT_TRUE(next.Acquire());
}

}  // namespace
}  // namespace kelbrin::app
