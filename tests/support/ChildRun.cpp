#include "ChildRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kelbrin::test {

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::filesystem::path& inFile, const std::filesystem::path& errFile,
                   std::vector<std::string> environment) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inFile.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<std::string> argvText = {program};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argvText) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // The program's own home and XDG folders beside its error file, after the caller's (which
  // win): a test never writes into the real home or runtime folder of the machine.
  const std::filesystem::path home = errFile.string() + ".home";
  for (const char* folder : {"config", "state", "data", "cache", "runtime"}) {
    std::filesystem::create_directories(home / folder);
  }
  std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
  environment.insert(environment.end(),
                     {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
                      "XDG_STATE_HOME=" + (home / "state").string(),
                      "XDG_DATA_HOME=" + (home / "data").string(),
                      "XDG_CACHE_HOME=" + (home / "cache").string(),
                      "XDG_RUNTIME_DIR=" + (home / "runtime").string()});
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  for (char** entry = environ; *entry != nullptr; ++entry) envp.push_back(*entry);
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

int EndWithin(pid_t pid, int signo, std::chrono::milliseconds limit) {
  if (signo != 0) kill(pid, signo);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace kelbrin::test
