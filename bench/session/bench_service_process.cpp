// Whole-process footprint of `kelbrin-client --service` against the reference service, at the
// real pace: resident memory, CPU time and wake-ups (voluntary and involuntary context switches
// of all its threads) per minute, once logged out (idle) and once logged in (auto-logon with a
// saved password, one active test every 40 s).
//
//   bench_service_process [--seconds N]     (default 20 s per phase; 120 or more for figures)
//
// Each phase starts its own client, lets it settle, then measures over N seconds from /proc.
// A client that does not end with 0 after SIGTERM makes the program fail.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ReferenceService.h"
#include "TempDir.h"
#include "settings/PubUtil.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

struct Sample {
  long rssKiB = 0;
  double cpuNs = 0;          // time on a CPU, summed over the live threads (schedstat)
  long contextSwitches = 0;  // voluntary + involuntary, summed over the live threads
  int threads = 0;
};

long fieldOf(const std::string& statusText, std::string_view name) {
  const auto at = statusText.find(std::string(name) + ":");
  if (at == std::string::npos) return 0;
  std::istringstream rest(statusText.substr(at + name.size() + 1));
  long value = 0;
  rest >> value;
  return value;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Sample sample(pid_t pid) {
  const std::string base = "/proc/" + std::to_string(pid);
  Sample s;
  s.rssKiB = fieldOf(readFile(base + "/status"), "VmRSS");
  if (DIR* tasks = opendir((base + "/task").c_str())) {
    while (const dirent* entry = readdir(tasks)) {
      if (entry->d_name[0] == '.') continue;
      const std::string status = readFile(base + "/task/" + entry->d_name + "/status");
      s.contextSwitches += fieldOf(status, "voluntary_ctxt_switches") +
                           fieldOf(status, "nonvoluntary_ctxt_switches");
      // schedstat's first field: nanoseconds on a CPU, finer than the clock ticks of stat.
      double runNs = 0;
      std::istringstream(readFile(base + "/task/" + entry->d_name + "/schedstat")) >> runNs;
      s.cpuNs += runNs;
      ++s.threads;
    }
    closedir(tasks);
  }
  return s;
}

pid_t startClient(const std::string& endpoint, const std::string& configRoot,
                  const std::string& logFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> args = {KELBRIN_CLIENT_EXECUTABLE, "--service", "--endpoint", endpoint,
                                   "--config-root",           configRoot};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

bool stopClient(pid_t pid) {
  kill(pid, SIGTERM);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool WaitFor(const std::function<bool()>& holds, std::chrono::seconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!holds()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(100ms);
  }
  return true;
}

// One phase: starts a client on `configRoot`, waits for `ready`, settles, measures `period`.
bool measure(const char* phase, const kelbrin::test::ReferenceService& service,
             const std::filesystem::path& configRoot, const std::function<bool()>& ready,
             std::chrono::seconds period) {
  const std::string log = (configRoot / "client.log").string();
  const pid_t pid = startClient(service.endpoint(), configRoot.string(), log);
  if (pid < 0) {
    std::cerr << phase << ": the client did not start\n";
    return false;
  }
  if (!WaitFor(ready, 30s)) {
    std::cerr << phase << ": the client did not reach its state; see " << log << '\n';
    stopClient(pid);
    return false;
  }
  std::this_thread::sleep_for(3s);  // the login's list fetch and start-up are over
  const int testsBefore = service.countRequests("ActiveTestReq");
  const Sample first = sample(pid);
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(period);
  const Sample last = sample(pid);
  const double minutes =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 60.0;
  const int tests = service.countRequests("ActiveTestReq") - testsBefore;
  if (!stopClient(pid)) {
    std::cerr << phase << ": the client did not end with 0 after SIGTERM; see " << log << '\n';
    return false;
  }
  std::printf("%-12s %9ld %8d %12.2f %14.1f %13d\n", phase, last.rssKiB, last.threads,
              (last.cpuNs - first.cpuNs) / 1e6 / minutes,
              static_cast<double>(last.contextSwitches - first.contextSwitches) / minutes, tests);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long seconds = 20;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc) {
      const std::string_view value = argv[++i];
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
      if (ec != std::errc() || end != value.data() + value.size() || seconds <= 0) {
        std::cerr << "--seconds needs a positive whole number\n";
        return 64;
      }
    } else {
      std::cerr << "usage: bench_service_process [--seconds N]\n";
      return 64;
    }
  }
  const std::chrono::seconds period(seconds);

  const kelbrin::test::TempDir work;
  kelbrin::test::ReferenceService::Options options;
  options.logFile = work / "service.log";
  const kelbrin::test::ReferenceService service(options);

  const auto idleRoot = work / "idle";
  const auto onlineRoot = work / "online";
  std::filesystem::create_directories(idleRoot);
  std::filesystem::create_directories(onlineRoot);
  kelbrin::settings::SetConfigRoot(onlineRoot);
  kelbrin::settings::TPubUtil::WriteRegString("UserName", "demo01");
  kelbrin::settings::TPubUtil::WriteRegString("UserPwd", "demo-pass");
  kelbrin::settings::TPubUtil::WriteRegString("SavePwd", "1");

  std::printf("measured over %ld s per phase, real pace\n", seconds);
  std::printf("%-12s %9s %8s %12s %14s %13s\n", "phase", "RSS KiB", "threads", "CPU ms/min",
              "wake-ups/min", "active tests");
  const bool idleOk = measure(
      "logged out", service, idleRoot,
      [&] { return std::filesystem::exists(idleRoot / "client.log"); }, period);
  const bool onlineOk = measure(
      "logged in", service, onlineRoot, [&] { return service.countRequests("ActiveTestReq") >= 1; },
      period);
  return idleOk && onlineOk ? 0 : 1;
}
