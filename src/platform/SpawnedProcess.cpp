#include "platform/SpawnedProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

extern char** environ;

namespace kelbrin::platform {
namespace {

constexpr int kPollMs = 10;

}  // namespace

std::optional<SpawnedProcess> SpawnedProcess::Start(const std::vector<std::string>& argv) {
  if (argv.empty()) return std::nullopt;
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return std::nullopt;
  return SpawnedProcess(pid);
}

SpawnedProcess::SpawnedProcess(SpawnedProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), exit_(other.exit_) {}

SpawnedProcess::~SpawnedProcess() {
  if (pid_ < 0 || exit_) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
}

std::optional<int> SpawnedProcess::Wait(std::chrono::milliseconds timeout) {
  if (exit_ || pid_ < 0) return exit_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
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
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    ::poll(nullptr, 0, kPollMs);
  }
}

}  // namespace kelbrin::platform
