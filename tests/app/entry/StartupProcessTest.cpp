// Start-up of the real executable beside a running desktop instance, which the test plays itself
// with the same single-instance markers in a private runtime folder. No display is involved.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "app/desktop/DesktopMode.h"
#include "platform/process/SingleInstance.h"

namespace kelbrin::app {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

class StartupProcessTest : public ::testing::Test {
 protected:
  // Starts the client without a display, with the test's runtime folder.
  pid_t StartClient() {
    std::vector<std::string> env;
    const std::vector<std::string> dropped = {
        "XDG_RUNTIME_DIR=", "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      if (std::none_of(dropped.begin(), dropped.end(),
                       [&text](const std::string& name) { return text.rfind(name, 0) == 0; })) {
        env.push_back(text);
      }
    }
    env.push_back("XDG_RUNTIME_DIR=" + runtime_.string());
    std::vector<std::string> args = {KELBRIN_CLIENT_EXECUTABLE, "--config-root",
                                     (dir_ / "settings").string(), "--endpoint",
                                     "http://127.0.0.1:9/pelmar/pelmar.dll/"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ / "out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "err").c_str(),
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

  std::string Output() const { return ReadFile(dir_ / "out") + ReadFile(dir_ / "err"); }

  static std::string ReadFile(const std::filesystem::path& path) {
    // Not `stream << rdbuf()`: an empty file would set failbit and swallow what follows.
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  test::TempDir dir_;
  std::filesystem::path runtime_ = dir_.path();
};

TEST_F(StartupProcessTest, ASecondStartHandsOverToTheRunningInstanceAndEndsAtOnce) {
  platform::SingleInstance running(kInstanceName, runtime_);
  ASSERT_TRUE(running.Acquire());
  const pid_t second = StartClient();
  ASSERT_GT(second, 0);
  int shows = 0;
  for (int round = 0; round < 200 && shows == 0; ++round) {  // a guard against a hang only
    pollfd listening{running.ListenFd(), POLLIN, 0};
    if (poll(&listening, 1, 50) > 0) running.ServePending([&shows] { ++shows; });
  }
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(ExitStatus(second), 0);
  EXPECT_EQ(Output(), "");
}

TEST_F(StartupProcessTest, AnInstanceThatHoldsTheLockButDoesNotAnswerEndsTheNewOneSilently) {
  // The running instance is starting: it holds the lock, its socket is not there yet.
  const int lock = ::open((runtime_ / "Kelbrin client V6.0.lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
  const int status = ExitStatus(StartClient());
  ::close(lock);
  if (HasDesktop()) {
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Output(), "");
  } else {
    EXPECT_EQ(status, 1);
    EXPECT_THAT(Output(), HasSubstr("this build has no desktop"));
  }
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
