#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace kelbrin::platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kMaxOutput = 64 * 1024;
// How often the exit of a child that closed its stdout is checked.
constexpr int kExitPollMs = 2;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Reads until end of file or the deadline; false on the deadline.
bool ReadUntilEnd(int fd, std::string& output, Clock::time_point deadline) {
  char buffer[4096];
  for (;;) {
    pollfd readable{fd, POLLIN, 0};
    const int ready = ::poll(&readable, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return true;
    const size_t room = kMaxOutput - std::min(kMaxOutput, output.size());
    output.append(buffer, std::min(room, static_cast<size_t>(count)));
  }
}

// The wait status once the child has ended; nullopt when it outlives the deadline.
std::optional<int> WaitForExit(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 && errno != EINTR) return std::nullopt;
    if (Clock::now() >= deadline) return std::nullopt;
    ::poll(nullptr, 0, kExitPollMs);
  }
}

void KillAndReap(pid_t pid) {
  ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

std::optional<ProcessOutput> RunProcess(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds timeout) {
  if (argv.empty()) return std::nullopt;
  const Clock::time_point deadline = Clock::now() + timeout;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;

  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawnError = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawnError != 0) {
    ::close(pipeFds[0]);
    return std::nullopt;
  }

  ProcessOutput result;
  const bool ended = ReadUntilEnd(pipeFds[0], result.standardOutput, deadline);
  ::close(pipeFds[0]);
  const std::optional<int> status = ended ? WaitForExit(pid, deadline) : std::nullopt;
  if (!status) {
    KillAndReap(pid);
    return std::nullopt;
  }
  if (!WIFEXITED(*status)) return std::nullopt;
  result.exitCode = WEXITSTATUS(*status);
  return result;
}

}  // namespace kelbrin::platform
