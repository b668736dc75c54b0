#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/entry/InitReaper.h"

namespace kelbrin::app {
namespace {

// An init started for the test: a child subreaper, which gets the orphans of its descendants as
// PID 1 gets those of a container, running SuperviseChild over `program`.
struct TestInit {
  pid_t pid = -1;

  explicit TestInit(const std::function<int()>& program) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    pid = ::fork();
    if (pid == 0) {
      ::close(ready[0]);
      ::prctl(PR_SET_CHILD_SUBREAPER, 1);
      sigset_t all;
      ::sigfillset(&all);
      ::sigprocmask(SIG_SETMASK, &all, nullptr);
      const pid_t child = ::fork();
      if (child == 0) ::_exit(program());
      // Every signal is blocked now: one sent from here on reaches SuperviseChild.
      (void)!::write(ready[1], "r", 1);
      ::_exit(SuperviseChild(child));
    }
    ::close(ready[1]);
    char byte = 0;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
  }

  // The init's own wait status.
  int Wait() const {
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    return status;
  }
};

// The state letter of /proc/PID/stat ('Z' for a zombie), or 0 once the process is gone.
char ProcessState(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  const std::size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
}

// As an address command that leaves a process running: the command ends, the process it left
// is orphaned and ends later. 0 when that process was reaped; 1 when it stayed a zombie.
int LeaveAnOrphan() {
  int orphanPipe[2];
  if (::pipe(orphanPipe) != 0) return 2;
  const pid_t command = ::fork();
  if (command == 0) {
    const pid_t orphan = ::fork();
    if (orphan == 0) {
      ::usleep(100 * 1000);  // until the command has ended and the orphan is the init's
      ::_exit(0);
    }
    (void)!::write(orphanPipe[1], &orphan, sizeof orphan);
    ::_exit(0);
  }
  pid_t orphan = -1;
  if (::read(orphanPipe[0], &orphan, sizeof orphan) != sizeof orphan) return 2;
  ::waitpid(command, nullptr, 0);  // as the client reaps its own child
  // Only the init can reap it; a zombie would stay for good, so the wait has a bound.
  for (int i = 0; i < 1000 && ProcessState(orphan) != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ProcessState(orphan) == 0 ? 0 : 1;
}

TEST(InitReaper, ReapsTheOrphansItInherits) {
  const TestInit init(LeaveAnOrphan);
  const int status = init.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the orphan stayed a zombie";
}

TEST(InitReaper, ForwardsSignalsAndEndsWithTheChildsStatus) {
  const TestInit init([] {
    sigset_t term;
    ::sigemptyset(&term);
    ::sigaddset(&term, SIGTERM);
    int signo = 0;
    ::sigwait(&term, &signo);  // blocked since the fork: it waits for the forwarded SIGTERM
    return signo == SIGTERM ? 7 : 1;
  });
  ASSERT_EQ(::kill(init.pid, SIGTERM), 0);
  const int status = init.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(InitReaper, ChildEndedBySignalIs128PlusTheSignal) {
  const TestInit init([] {
    ::signal(SIGKILL, SIG_DFL);
    ::kill(::getpid(), SIGKILL);
    return 0;
  });
  const int status = init.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGKILL);
}

TEST(InitReaper, NothingHappensOutsidePid1) {
  ASSERT_NE(::getpid(), 1);
  EXPECT_EQ(BecomeInitWhenPid1(), std::nullopt);
}

}  // namespace
}  // namespace kelbrin::app
