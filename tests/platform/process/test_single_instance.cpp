// The single-instance markers between real processes: the second process is a fork that only
// asks for the hand-over and reports through its exit status.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/process/SingleInstance.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

constexpr const char* kName = "Kelbrin client V6.0";

// A second process asking `folder`'s instance to show itself; its exit status is 0 when the
// running instance confirmed.
pid_t StartHandOver(const std::filesystem::path& folder) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const SingleInstance second(kName, folder);
    ::_exit(second.HandOver(5s) ? 0 : 1);
  }
  return pid;
}

int ExitStatus(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Serves the first instance's socket until `shows` hand-overs arrived or the guard expires.
int ServeUntil(SingleInstance& first, int shows) {
  int seen = 0;
  for (int round = 0; round < 100 && seen < shows; ++round) {
    pollfd listening{first.ListenFd(), POLLIN, 0};
    if (::poll(&listening, 1, 100) > 0) first.ServePending([&seen] { ++seen; });
  }
  return seen;
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(SingleInstanceTest, TheSecondProcessHandsOverAndTheFirstShowsItself) {
  SingleInstance first(kName, dir_.path());
  ASSERT_TRUE(first.Acquire());
  EXPECT_EQ(first.SocketPath(), dir_ / "Kelbrin client V6.0.socket");

  const pid_t second = StartHandOver(dir_.path());
  EXPECT_EQ(ServeUntil(first, 1), 1);
  EXPECT_EQ(ExitStatus(second), 0);
}

TEST_F(SingleInstanceTest, WithoutARunningInstanceNobodyAnswersAndTheLockIsFree) {
  SingleInstance only(kName, dir_.path());
  EXPECT_FALSE(only.HandOver(1s));
  EXPECT_TRUE(only.Acquire());
}

TEST_F(SingleInstanceTest, ALockHeldByAnotherInstanceIsNotTaken) {
  SingleInstance first(kName, dir_.path());
  ASSERT_TRUE(first.Acquire());
  SingleInstance second(kName, dir_.path());
  EXPECT_FALSE(second.Acquire());
  EXPECT_EQ(second.ListenFd(), -1);
}

TEST_F(SingleInstanceTest, AnInstanceThatDiedLeavesNeitherLockNorAnAnsweringSocket) {
  const pid_t crashed = ::fork();
  if (crashed == 0) {
    // Ends without destructors, as a crash would: the socket file stays behind.
    auto* instance = new SingleInstance(kName, dir_.path());
    ::_exit(instance->Acquire() ? 0 : 1);
  }
  ASSERT_EQ(ExitStatus(crashed), 0);
  ASSERT_TRUE(std::filesystem::exists(dir_ / "Kelbrin client V6.0.socket"));

  SingleInstance next(kName, dir_.path());
  EXPECT_FALSE(next.HandOver(1s));
  ASSERT_TRUE(next.Acquire());
  const pid_t second = StartHandOver(dir_.path());
  EXPECT_EQ(ServeUntil(next, 1), 1);
  EXPECT_EQ(ExitStatus(second), 0);
}

TEST_F(SingleInstanceTest, APeerThatSendsAnythingElseShowsNothingAndGetsNoAnswer) {
  SingleInstance first(kName, dir_.path());
  ASSERT_TRUE(first.Acquire());
  for (const std::string request : {"hide\n", "", "show"}) {
    const int peer = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, first.SocketPath().c_str());
    ASSERT_EQ(::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    if (!request.empty()) {
      ASSERT_EQ(::write(peer, request.data(), request.size()),
                static_cast<ssize_t>(request.size()));
    }
    int shows = 0;
    // The peer never finishes its line; the bound lets the first instance go on.
    first.ServePending([&shows] { ++shows; }, 50ms);
    EXPECT_EQ(shows, 0) << request;
    char reply = 0;
    EXPECT_LE(::recv(peer, &reply, 1, MSG_DONTWAIT), 0) << request;
    ::close(peer);
  }
}

TEST_F(SingleInstanceTest, TheOwnerRemovesItsSocketWhenItEnds) {
  {
    SingleInstance first(kName, dir_.path());
    ASSERT_TRUE(first.Acquire());
    ASSERT_TRUE(std::filesystem::exists(first.SocketPath()));
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Kelbrin client V6.0.socket"));
}

TEST_F(SingleInstanceTest, TheRuntimeFolderIsXdgRuntimeDirOrAPrivateFolderOfThisUser) {
  {
    const test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir_.path().string());
    EXPECT_EQ(SingleInstance::RuntimeFolder(), dir_.path());
  }
  const test::ScopedEnv unset("XDG_RUNTIME_DIR", std::nullopt);
  const std::filesystem::path folder = SingleInstance::RuntimeFolder();
  EXPECT_EQ(folder, "/tmp/kelbrin-client-" + std::to_string(::geteuid()));
  EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace kelbrin::platform
