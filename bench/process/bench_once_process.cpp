// Whole-process footprint of `kelbrin-client --once` against the reference service: wall time,
// CPU time (user + system) and peak resident set of each run, from wait4's resource usage.
//
//   bench_once_process [--runs N] [--domains D]
//
// (default 20 runs; prints min, median and max). The client logs in as the demo account, reading
// the password from standard input like a script would; with --domains, as an account of D
// domains (three records each), and the peak is also given in multiples of the service list's
// reply (the target for 100000 domains: at most 2.5x). A run that does not exit with 0 makes the
// program fail.
//
// A child's ru_maxrss starts from the peak of the process that spawned it: this program keeps
// its own peak small (the account file is streamed, the reply measured in a forked child) and
// prints it, so the child's figure is known to be its own.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ReferenceService.h"
#include "TempDir.h"
#include "protocol/HttpTransport.h"
#include "protocol/PelmarClient.h"

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

struct Arguments {
  int runs = 20;
  int domains = 0;  // 0: the demo account
};

std::optional<Arguments> parseArguments(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; i += 2) {
    const std::string_view name = argv[i];
    if (i + 1 >= argc || (name != "--runs" && name != "--domains")) return std::nullopt;
    int value = 0;
    const std::string_view text = argv[i + 1];
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
    (name == "--runs" ? arguments.runs : arguments.domains) = value;
  }
  return arguments;
}

// An accounts file with "bulk01", holding `domains` domains of three records each, written
// as it goes so that this process never holds it.
void writeBulkAccount(const std::string& file, int domains) {
  std::ofstream out(file);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Accounts><Account UserName=\"bulk01\" "
         "UserPwd=\"bulk-pass\" PayType=\"1\" ServiceEndDate=\"20991231\" UserID=\"100009\">\n";
  for (int i = 0; i < domains; ++i) {
    const std::string name = "bulk" + std::to_string(i);
    out << "<DomainInfo DomainName=\"" << name << "\" SuffixName=\".example.net\" OnlineOpt=\"0\" "
        << "OnlineStaticIP=\"203.0.113." << i % 250
        << "\" OfflineOpt=\"3\" TTL=\"600\" Status=\"1\" "
        << "StartDate=\"20250101\" EndDate=\"20991231\" DomainStatus=\"0\">"
        << "<ResourceInfo ResourceType=\"A\" KeyName=\"www\" KeyValue=\"203.0.113.7\"/>"
        << "<ResourceInfo ResourceType=\"MX\" KeyName=\"mail\" KeyValue=\"mx." << name
        << ".example.net\"/><ResourceInfo ResourceType=\"CNAME\" KeyName=\"ftp\" KeyValue=\"www."
        << name << ".example.net\"/></DomainInfo>\n";
  }
  out << "</Account></Accounts>\n";
}

// The size of the service list's reply, fetched by a forked child so that this process's peak
// (which its children start from) stays small; 0 on failure.
std::size_t serviceListReplySize(const std::string& endpoint) {
  int fds[2];
  if (pipe(fds) != 0) return 0;
  const pid_t pid = fork();
  if (pid == 0) {
    kelbrin::protocol::HttpTransport transport;
    const std::string body =
        "<PelmarPacket><MsgType>GetServiceListReq</MsgType><Version>1.0</Version>"
        "<UserName>bulk01</UserName><UserPwd>bulk-pass</UserPwd></PelmarPacket>";
    using std::chrono::seconds;
    kelbrin::protocol::ExchangeRequest request{"POST", endpoint, body};
    request.timeouts = {seconds(5), seconds(5), seconds(60), seconds(60)};
    request.replyCap = kelbrin::protocol::kServiceListReplyCap;
    const std::size_t size = transport.Exchange(request).size();
    (void)!write(fds[1], &size, sizeof size);
    _exit(0);
  }
  close(fds[1]);
  std::size_t size = 0;
  if (read(fds[0], &size, sizeof size) != sizeof size) size = 0;
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return size;
}

// This process's own peak resident set (VmHWM), in KiB.
long ownPeakKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Arguments> arguments = parseArguments(argc, argv);
  if (!arguments) {
    std::cerr << "usage: bench_once_process [--runs N] [--domains D]\n";
    return 64;
  }
  const int runs = arguments->runs;
  const bool bulk = arguments->domains > 0;
  kelbrin::test::TempDir dir;
  const std::string passwordFile = (dir / "password").string();
  std::ofstream(passwordFile) << (bulk ? "bulk-pass\n" : "demo-pass\n");
  const std::filesystem::path accounts = dir / "accounts.xml";
  if (bulk) writeBulkAccount(accounts.string(), arguments->domains);
  kelbrin::test::ReferenceService service(
      {.dataFile = bulk ? accounts : std::filesystem::path(), .logFile = dir / "service.log"});
  std::vector<std::string> args = {KELBRIN_CLIENT_EXECUTABLE,
                                   "--once",
                                   "--endpoint",
                                   service.endpoint(),
                                   "--config-root",
                                   (dir / "config").string(),
                                   "--user",
                                   bulk ? "bulk01" : "demo01",
                                   "--password-stdin"};
  // The reference service takes tens of seconds to write a list of 100000 domains on a busy
  // machine: longer time-outs, so that the run measures memory, not the service's speed.
  if (bulk) args.insert(args.end(), {"--time-scale", "10"});
  const std::size_t replyBytes = bulk ? serviceListReplySize(service.endpoint()) : 0;
  if (bulk && replyBytes == 0) {
    std::cerr << "the service list could not be fetched\n";
    return 1;
  }

  std::vector<double> wall;
  std::vector<double> cpu;
  std::vector<long> rss;
  for (int i = 0; i < runs; ++i) {
    const std::optional<Run> run = runClient(args, passwordFile);
    if (!run || run->exitCode != 0) {
      std::cerr << "run " << i + 1 << " failed (exit " << (run ? run->exitCode : -1) << ")\n";
      return 1;
    }
    wall.push_back(run->wallMs);
    cpu.push_back(run->cpuMs);
    rss.push_back(run->peakRssKiB);
  }
  std::cout << "kelbrin-client --once against the reference service, " << runs << " runs\n";
  printRow("wall time", wall, "ms");
  printRow("CPU time (user+system)", cpu, "ms");
  printRow("peak RSS", rss, "KiB");
  std::cout << "this program's own peak (the floor of the figures above): " << ownPeakKiB()
            << " KiB\n";
  if (bulk) {
    std::vector<double> times;
    for (const long kib : rss) times.push_back(static_cast<double>(kib) * 1024.0 / replyBytes);
    std::cout << arguments->domains << " domains, service list reply " << replyBytes << " bytes\n";
    printRow("peak RSS / reply", times, "x (target at most 2.5)");
  }
  return 0;
}
