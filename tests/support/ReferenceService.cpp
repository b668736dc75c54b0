#include "ReferenceService.h"

#include <fcntl.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kelbrin::test {
namespace {

constexpr const char* kServicePath = KELBRIN_REFERENCE_SERVICE_PATH;
constexpr std::string_view kListeningPrefix = "listening on 127.0.0.1:";
// Only guards against a hang; the service is normally up within milliseconds.
constexpr auto kStartGuard = std::chrono::seconds(20);

struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    read = fds[0];
    write = fds[1];
  }
};

// Reads the service's first line of standard output ("listening on 127.0.0.1:PORT").
std::string readFirstLine(int fd) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + kStartGuard;
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd polled{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&polled, 1, static_cast<int>(left.count())) <= 0) {
      throw std::runtime_error("the reference service did not report its port in time");
    }
    char buffer[128];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count <= 0) throw std::runtime_error("the reference service ended at start: " + line);
    line.append(buffer, static_cast<std::size_t>(count));
  }
  return line.substr(0, line.find('\n'));
}

int portFromLine(const std::string& line) {
  if (!line.starts_with(kListeningPrefix)) {
    throw std::runtime_error("unexpected first line from the reference service: " + line);
  }
  return std::stoi(line.substr(kListeningPrefix.size()));
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream stream(line);
  for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

}  // namespace

ReferenceService::ReferenceService() : ReferenceService(Options{}) {}

ReferenceService::ReferenceService(const Options& options) {
  std::vector<std::string> args{kServicePath, "--port", "0", "--stop-on-eof"};
  if (!options.dataFile.empty()) args.insert(args.end(), {"--data", options.dataFile.string()});
  if (!options.logFile.empty()) args.insert(args.end(), {"--log", options.logFile.string()});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  Pipe input;
  Pipe output;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input.read, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output.write, STDOUT_FILENO);
  const int spawned = posix_spawn(&pid_, kServicePath, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(input.read);
  close(output.write);
  stdinFd_ = input.write;
  if (spawned != 0) {
    close(output.read);
    close(stdinFd_);
    throw std::runtime_error(std::string("cannot start ") + kServicePath);
  }

  try {
    port_ = portFromLine(readFirstLine(output.read));
  } catch (...) {
    close(output.read);
    stop();
    throw;
  }
  // The service prints nothing more on standard output; it ignores SIGPIPE.
  close(output.read);
}

ReferenceService::~ReferenceService() { stop(); }

void ReferenceService::stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (stdinFd_ >= 0) {
    close(stdinFd_);
    stdinFd_ = -1;
  }
}

std::string ReferenceService::baseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::string ReferenceService::endpoint() const { return baseUrl() + "/pelmar/pelmar.dll/"; }

std::string ReferenceService::control(const std::string& command) const {
  httplib::Client client("127.0.0.1", port_);
  const httplib::Result result = client.Get("/control/" + command);
  if (!result) throw std::runtime_error("control " + command + ": no reply");
  if (result->status != 200) {
    throw std::runtime_error("control " + command + ": " + std::to_string(result->status) + " " +
                             result->body);
  }
  return result->body;
}

std::vector<ReferenceService::Request> ReferenceService::requests() const {
  std::vector<Request> requests;
  std::istringstream lines(control("requests"));
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields = splitTabs(line);
    fields.resize(5);
    requests.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
  }
  return requests;
}

int ReferenceService::countRequests(const std::string& msgType) const {
  const std::vector<Request> all = requests();
  return static_cast<int>(std::count_if(
      all.begin(), all.end(), [&](const Request& request) { return request.msgType == msgType; }));
}

std::string ReferenceService::lastReport(const std::string& kind) const {
  httplib::Client client("127.0.0.1", port_);
  const httplib::Result result = client.Get("/control/reports/" + kind);
  if (!result) throw std::runtime_error("reports/" + kind + ": no reply");
  return result->status == 200 ? result->body : std::string();
}

}  // namespace kelbrin::test
