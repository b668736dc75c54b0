#include "platform/process/ChildProcess.h"

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
constexpr std::size_t kMaxOutput = 64 * 1024;
// How often the exit of a child without an output pipe is checked.
constexpr int kExitPollMs = 2;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

std::optional<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv,
                                                const ChildOptions& options) {
  if (argv.empty()) return std::nullopt;
  int pipeFds[2] = {-1, -1};
  if (options.captureOutput && ::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;

  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (options.captureOutput) {
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  // dup2 clears close-on-exec on the child's copy, so only these descriptors cross over.
  for (const auto& [childFd, parentFd] : options.passFds) {
    posix_spawn_file_actions_adddup2(&actions, parentFd, childFd);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (options.ownProcessGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);  // a group named after the child
  }
  pid_t pid = -1;
  const int failed = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (options.captureOutput) ::close(pipeFds[1]);
  if (failed != 0) {
    if (options.captureOutput) ::close(pipeFds[0]);
    return std::nullopt;
  }
  return ChildProcess(pid, pipeFds[0], options.ownProcessGroup);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      outputFd_(std::exchange(other.outputFd_, -1)),
      ownGroup_(other.ownGroup_),
      output_(std::move(other.output_)),
      exit_(other.exit_) {}

ChildProcess::~ChildProcess() {
  if (pid_ < 0 || exit_) {
    if (outputFd_ >= 0) ::close(outputFd_);
    return;
  }
  EndGroup();
}

void ChildProcess::Signal(int signal) const {
  if (pid_ > 0 && !exit_) ::kill(pid_, signal);
}

void ChildProcess::EndGroup() {
  if (pid_ < 0) return;
  // The group outlives its leader while a member lives, so it is ended even after the exit.
  if (ownGroup_) {
    ::kill(-pid_, SIGKILL);
  } else if (!exit_) {
    ::kill(pid_, SIGKILL);
  }
  if (outputFd_ >= 0) ::close(std::exchange(outputFd_, -1));
  if (exit_) return;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  exit_ = -1;
}

// Reads the output pipe until its end or the deadline.
void ChildProcess::ReadAvailable(Clock::time_point deadline) {
  char buffer[4096];
  while (outputFd_ >= 0) {
    pollfd readable{outputFd_, POLLIN, 0};
    const int ready = ::poll(&readable, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    const ssize_t count = ::read(outputFd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      ::close(std::exchange(outputFd_, -1));
      return;
    }
    const std::size_t room = kMaxOutput - std::min(kMaxOutput, output_.size());
    output_.append(buffer, std::min(room, static_cast<std::size_t>(count)));
  }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (exit_ || pid_ < 0) return exit_;
  const Clock::time_point deadline = Clock::now() + timeout;
  ReadAvailable(deadline);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return exit_;
    }
    if (done < 0 && errno != EINTR) {
      exit_ = -1;  // not our child any more: nothing left to wait for
      return exit_;
    }
    if (Clock::now() >= deadline) return std::nullopt;
    ::poll(nullptr, 0, kExitPollMs);
  }
}

std::optional<ProcessOutput> RunProcess(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds timeout) {
  ChildOptions options;
  options.captureOutput = true;
  std::optional<ChildProcess> child = ChildProcess::Start(argv, options);
  if (!child) return std::nullopt;
  const std::optional<int> exitCode = child->Wait(timeout);
  // Still running: the destructor kills and reaps it. Ended by a signal: no usable answer.
  if (!exitCode || *exitCode < 0) return std::nullopt;
  return ProcessOutput{*exitCode, child->Output()};
}

}  // namespace kelbrin::platform
