#include "NetNamespace.h"

#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <thread>

extern char** environ;

namespace kelbrin::test {
namespace {

std::string IpTool() {
  for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return {};
}

// Runs the tool; its exit code, -1 when it could not run. Output goes to `output` when given.
int RunIp(const std::vector<std::string>& arguments, std::string* output) {
  const std::string tool = IpTool();
  if (tool.empty()) return -1;
  std::vector<std::string> argv{tool};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  if (::pipe(pipeFds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, tool.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string text;
  std::array<char, 4096> buffer{};
  for (ssize_t n; spawned == 0 && (n = ::read(pipeFds[0], buffer.data(), buffer.size())) > 0;) {
    text.append(buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  if (spawned != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  if (output != nullptr) *output = std::move(text);
  return WEXITSTATUS(status);
}

}  // namespace

std::string NetNamespace::Unavailable() {
  if (::geteuid() != 0) return "needs root to create a network namespace";
  if (IpTool().empty()) return "needs the ip tool (iproute2)";
  return {};
}

bool NetNamespace::Run(const std::function<void()>& body) {
  bool entered = false;
  std::thread inside([&] {
    // A network namespace belongs to the task, so only this thread (and what it starts) moves.
    if (::unshare(CLONE_NEWNET) != 0) return;
    entered = true;
    if (Ip({"link", "set", "lo", "up"})) body();
  });
  inside.join();
  return entered;
}

bool NetNamespace::Ip(const std::vector<std::string>& arguments) {
  return RunIp(arguments, nullptr) == 0;
}

std::string NetNamespace::IpOutput(const std::vector<std::string>& arguments) {
  std::string output;
  return RunIp(arguments, &output) == 0 ? output : std::string();
}

}  // namespace kelbrin::test
