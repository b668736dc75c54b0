#include "platform/dialup/Pppd.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"
#include "platform/files/PrivateFile.h"
#include "platform/machine/FactFile.h"

namespace kelbrin::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::string_view kLinkPrefix = "ppp-";
constexpr std::string_view kLinkSuffix = ".pid";
// pppd keeps at most this many characters of a secret.
constexpr std::size_t kMaxPassword = 255;
// The descriptor on which the started pppd writes its log.
constexpr int kChildLogFd = 3;
constexpr auto kHangUpPoll = 20ms;
constexpr auto kAfterKill = 2s;

// A peer or link name is one file-name component: never a path, never hidden.
bool PlainName(const std::string& name) {
  return !name.empty() && name.size() <= 255 && name.front() != '.' &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

// A quoted pppd option word: backslash and quote escaped.
std::string QuotedWord(const std::string& word) {
  std::string quoted = "\"";
  for (const char c : word) {
    if (c == '\\' || c == '"') quoted.push_back('\\');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

// A pppd dial as the dialer follows it: pppd's log lines show the states; the link it brought
// up is found by the entry's name.
class PppdAttempt final : public DialAttempt {
 public:
  PppdAttempt(const Pppd& pppd, std::string entry, std::unique_ptr<PppdDial> dial)
      : pppd_(pppd),
        entry_(std::move(entry)),
        dial_(std::move(dial)),
        handle_{&pppd, dial_->Pid()} {}

  std::optional<int> Step(std::chrono::milliseconds timeout,
                          const std::function<void(int state)>& onState) override {
    const auto status = dial_->Step(timeout, [&onState](std::string_view line) {
      if (const auto state = PppdLogState(line)) onState(*state);
    });
    if (!status) return std::nullopt;
    if (*status < 0) return kDialCancelled;
    if (*status != 0) return PppdExitCode(*status);
    const auto link = pppd_.LinkOfEntry(entry_);
    if (!link || !link->connected) return kLinkNotUp;
    handle_ = link->handle;
    return 0;
  }

  void Cancel() override { dial_->Cancel(); }
  DialHandle Handle() const override { return handle_; }

 private:
  const Pppd& pppd_;
  const std::string entry_;
  std::unique_ptr<PppdDial> dial_;
  DialHandle handle_;
};

}  // namespace

fs::path PppdSetup::DefaultPrivateDir() {
  if (::geteuid() == 0) return "/run/kelbrin-client";
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
    return fs::path(runtime) / "kelbrin-client";
  }
  return "/tmp/kelbrin-client-" + std::to_string(::geteuid());
}

bool ProcessAlive(pid_t pid) {
  if (pid <= 0) return false;
  const auto stat = ReadFactFile("/proc/" + std::to_string(pid) + "/stat", 512);
  if (!stat) return false;
  // "PID (COMM) STATE ...": the state follows the last parenthesis.
  const auto close = stat->rfind(')');
  return close != std::string::npos && close + 2 < stat->size() && (*stat)[close + 2] != 'Z' &&
         (*stat)[close + 2] != 'X';
}

Pppd::Pppd(PppdSetup setup) : setup_(std::move(setup)) {}

int Pppd::Entries(std::vector<std::string>& names) const {
  names.clear();
  std::error_code error;
  fs::directory_iterator it(setup_.peersDir, error);
  if (error) return kPeersDirUnreadable;
  for (const auto& item : it) {
    const std::string name = item.path().filename().string();
    std::error_code ignored;
    if (PlainName(name) && item.is_regular_file(ignored)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return 0;
}

bool Pppd::HasEntry(const std::string& entry) const {
  std::error_code ignored;
  return PlainName(entry) && fs::is_regular_file(setup_.peersDir / entry, ignored);
}

bool Pppd::EntryDialable(const std::string& entry) const {
  return HasEntry(entry) && ::access((setup_.peersDir / entry).c_str(), R_OK) == 0;
}

std::unique_ptr<DialAttempt> Pppd::StartDial(const std::string& entry, const std::string& user,
                                             const std::string& password, int& error) const {
  auto dial = StartPppd(entry, user, password, error);
  if (!dial) return nullptr;
  return std::make_unique<PppdAttempt>(*this, entry, std::move(dial));
}

std::unique_ptr<PppdDial> Pppd::StartPppd(const std::string& entry, const std::string& user,
                                          const std::string& password, int& error) const {
  error = 0;
  if (!EntryDialable(entry)) {
    error = kPeerUnreadable;
    return nullptr;
  }
  if (!SecretFitsOneLine(password, kMaxPassword)) {
    error = kPasswordUnusable;
    return nullptr;
  }
  const fs::path options =
      WritePrivateFile(setup_.privateDir, "dial", "password " + QuotedWord(password) + "\n");
  if (options.empty()) {
    error = kPrivateDirUnusable;
    return nullptr;
  }
  int logPipe[2] = {-1, -1};
  if (::pipe2(logPipe, O_CLOEXEC) != 0) {
    ::unlink(options.c_str());
    error = kPppdNotStartable;
    return nullptr;
  }
  ChildOptions childOptions;
  childOptions.passFds = {{kChildLogFd, logPipe[1]}};
  std::vector<std::string> argv{setup_.program, "call", entry, "user", user};
  if (setup_.nameTheLink) argv.insert(argv.end(), {"linkname", entry});
  argv.insert(argv.end(),
              {"file", options.string(), "logfd", std::to_string(kChildLogFd), "updetach"});
  std::optional<ChildProcess> child = ChildProcess::Start(argv, childOptions);
  ::close(logPipe[1]);
  if (!child) {
    ::close(logPipe[0]);
    ::unlink(options.c_str());
    error = kPppdNotStartable;
    return nullptr;
  }
  return std::make_unique<PppdDial>(std::move(*child), logPipe[0], options);
}

std::optional<DialLink> Pppd::ReadLink(const fs::path& pidFile) const {
  const std::string name = pidFile.filename().string();
  if (name.size() <= kLinkPrefix.size() + kLinkSuffix.size() || !name.starts_with(kLinkPrefix) ||
      !name.ends_with(kLinkSuffix)) {
    return std::nullopt;
  }
  const auto text = ReadFactFile(pidFile, 128);
  if (!text) return std::nullopt;
  DialLink link;
  link.entry = name.substr(kLinkPrefix.size(),
                           name.size() - kLinkPrefix.size() - kLinkSuffix.size());
  char* end = nullptr;
  const long pid = std::strtol(text->c_str(), &end, 10);
  if (end == text->c_str() || pid <= 0) return std::nullopt;
  link.handle = {this, static_cast<int>(pid)};
  // pppd writes the interface name on the second line once it knows it.
  const auto lineEnd = text->find('\n');
  if (lineEnd != std::string::npos) {
    std::string interface = text->substr(lineEnd + 1);
    interface.erase(std::find(interface.begin(), interface.end(), '\n'), interface.end());
    if (InterfaceName(interface)) link.interface = interface;
  }
  link.connected =
      ProcessAlive(link.handle.id) && !link.interface.empty() && InterfaceCarries(link.interface);
  return link;
}

std::vector<DialLink> Pppd::Links() const {
  std::vector<DialLink> links;
  std::error_code error;
  fs::directory_iterator it(setup_.runDir, error);
  if (error) return links;
  for (const auto& item : it) {
    if (auto link = ReadLink(item.path())) links.push_back(std::move(*link));
  }
  std::sort(links.begin(), links.end(),
            [](const DialLink& a, const DialLink& b) { return a.entry < b.entry; });
  return links;
}

std::optional<DialLink> Pppd::LinkOfId(int pid) const {
  for (auto& link : Links()) {
    if (link.handle.id == pid) return link;
  }
  return std::nullopt;
}

std::optional<DialLink> Pppd::LinkOfEntry(const std::string& entry) const {
  if (!PlainName(entry)) return std::nullopt;
  return ReadLink(setup_.runDir / (std::string(kLinkPrefix) + entry + std::string(kLinkSuffix)));
}

int Pppd::HangUp(int pid) const {
  const auto link = LinkOfId(pid);
  if (!link || !ProcessAlive(pid)) return kNoSuchLink;
  ::kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + setup_.hangUpBound;
  while (ProcessAlive(pid) && std::chrono::steady_clock::now() < deadline) {
    ::usleep(std::chrono::duration_cast<std::chrono::microseconds>(kHangUpPoll).count());
  }
  if (ProcessAlive(pid)) {
    ::kill(pid, SIGKILL);
    const auto killDeadline = std::chrono::steady_clock::now() + kAfterKill;
    while (ProcessAlive(pid) && std::chrono::steady_clock::now() < killDeadline) {
      ::usleep(std::chrono::duration_cast<std::chrono::microseconds>(kHangUpPoll).count());
    }
    // A killed pppd cannot remove its pid file; a stale one would name a dead link.
    const auto stale = LinkOfId(pid);
    if (stale && !ProcessAlive(pid)) {
      std::error_code ignored;
      fs::remove(setup_.runDir / (std::string(kLinkPrefix) + stale->entry +
                                  std::string(kLinkSuffix)),
                 ignored);
    }
  }
  return 0;
}

std::optional<PppAddresses> Pppd::Addresses(const std::string& interface) const {
  return InterfaceAddresses(interface);
}

std::optional<PppCounters> Pppd::Counters(const std::string& interface) const {
  return InterfaceCounters(setup_.netClassDir, interface);
}

}  // namespace kelbrin::platform
