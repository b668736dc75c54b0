// Whole-process footprint of `kelbrin-client --once` against the reference service: wall time,
// CPU time (user + system) and peak resident set of each run, from wait4's resource usage.
//
//   bench_once_process [--runs N]     (default 20 runs; prints min, median and max)
//
// The client logs in as the demo account, reading the password from standard input like a
// script would. A run that does not exit with 0 makes the program fail.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ReferenceService.h"
#include "TempDir.h"

extern char** environ;

namespace {

struct Run {
  int exitCode = -1;
  double wallMs = 0;
  double cpuMs = 0;
  long peakRssKiB = 0;
};

double millis(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
}

// One client run with `stdinFile` as standard input and its output discarded.
std::optional<Run> runClient(std::vector<std::string> args, const std::string& stdinFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, stdinFile.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return std::nullopt;
  const auto wall = std::chrono::steady_clock::now() - start;

  Run run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.wallMs = std::chrono::duration<double, std::milli>(wall).count();
  run.cpuMs = millis(usage.ru_utime) + millis(usage.ru_stime);
  run.peakRssKiB = usage.ru_maxrss;
  return run;
}

template <typename T>
void printRow(const char* label, std::vector<T> values, const char* unit) {
  std::sort(values.begin(), values.end());
  std::cout << label << ": min " << values.front() << ", median " << values[values.size() / 2]
            << ", max " << values.back() << ' ' << unit << '\n';
}

std::optional<int> parseRuns(int argc, char** argv) {
  if (argc == 1) return 20;
  if (argc != 3 || std::string_view(argv[1]) != "--runs") return std::nullopt;
  int runs = 0;
  const std::string_view text = argv[2];
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), runs);
  if (ec != std::errc() || end != text.data() + text.size() || runs < 1) return std::nullopt;
  return runs;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<int> runs = parseRuns(argc, argv);
  if (!runs) {
    std::cerr << "usage: bench_once_process [--runs N]\n";
    return 64;
  }
  kelbrin::test::TempDir dir;
  const std::string passwordFile = (dir / "password").string();
  std::ofstream(passwordFile) << "demo-pass\n";
  kelbrin::test::ReferenceService service({.dataFile = {}, .logFile = dir / "service.log"});
  const std::vector<std::string> args = {
      KELBRIN_CLIENT_EXECUTABLE, "--once", "--endpoint", service.endpoint(), "--config-root",
      (dir / "config").string(), "--user", "demo01",     "--password-stdin"};

  std::vector<double> wall;
  std::vector<double> cpu;
  std::vector<long> rss;
  for (int i = 0; i < *runs; ++i) {
    const std::optional<Run> run = runClient(args, passwordFile);
    if (!run || run->exitCode != 0) {
      std::cerr << "run " << i + 1 << " failed (exit " << (run ? run->exitCode : -1) << ")\n";
      return 1;
    }
    wall.push_back(run->wallMs);
    cpu.push_back(run->cpuMs);
    rss.push_back(run->peakRssKiB);
  }
  std::cout << "kelbrin-client --once against the reference service, " << *runs << " runs\n";
  printRow("wall time", wall, "ms");
  printRow("CPU time (user+system)", cpu, "ms");
  printRow("peak RSS", rss, "KiB");
  return 0;
}
