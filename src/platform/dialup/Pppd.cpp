#include "platform/dialup/Pppd.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <tuple>

#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"
#include "platform/dialup/PppdPeer.h"
#include "platform/files/PrivateFile.h"
#include "platform/files/RuntimeFolder.h"
#include "platform/machine/FactFile.h"

namespace kelbrin::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::string_view kLinkPrefix = "ppp-";
constexpr std::string_view kPidSuffix = ".pid";
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
  return ProgramRuntimeFolder().value_or("/tmp/kelbrin-client-" + std::to_string(::geteuid()));
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

std::optional<Pppd::FoundLink> Pppd::ReadLink(const fs::path& pidFile) const {
  const std::string name = pidFile.filename().string();
  if (name.size() <= kPidSuffix.size() || !name.ends_with(kPidSuffix)) return std::nullopt;
  const std::string stem = name.substr(0, name.size() - kPidSuffix.size());
  const bool namedLink = stem.size() > kLinkPrefix.size() && stem.starts_with(kLinkPrefix);
  const auto text = ReadFactFile(pidFile, 128);
  if (!text) return std::nullopt;
  char* end = nullptr;
  const long pid = std::strtol(text->c_str(), &end, 10);
  if (end == text->c_str() || pid <= 0) return std::nullopt;
  FoundLink found{{}, pidFile};
  DialLink& link = found.link;
  link.handle = {this, static_cast<int>(pid)};
  // A named link's file has the interface on its second line once pppd knows it; the
  // interface's own pid file (ppp0.pid, or the `ifname`'s) is named after it.
  const auto lineEnd = text->find('\n');
  std::string interface = lineEnd != std::string::npos ? text->substr(lineEnd + 1) : "";
  interface.erase(std::find(interface.begin(), interface.end(), '\n'), interface.end());
  if (interface.empty() && !namedLink) interface = stem;
  if (InterfaceName(interface)) link.interface = interface;
  if (namedLink) {
    link.entry = stem.substr(kLinkPrefix.size());
    // A link named otherwise than its peer (the peer file's `linkname`) belongs to that peer.
    if (!HasEntry(link.entry)) {
      link.entry = PeerOfLink(ProcessCommandLine(link.handle.id), link.entry, "");
    }
  } else {
    // Other daemons keep their pid files in the run folder too: only a live pppd's counts (where
    // its command line cannot be read, the peer file's `ifname` still tells).
    if (!ProcessAlive(link.handle.id)) return std::nullopt;
    const std::vector<std::string> argv = ProcessCommandLine(link.handle.id);
    if (!argv.empty() && !RunsProgram(argv, setup_.program)) return std::nullopt;
    link.entry = PeerOfLink(argv, "", link.interface);
    if (link.entry.empty()) return std::nullopt;
  }
  link.connected =
      ProcessAlive(link.handle.id) && !link.interface.empty() && InterfaceCarries(link.interface);
  return found;
}

std::string Pppd::PeerOfLink(const std::vector<std::string>& argv, const std::string& linkname,
                             const std::string& interface) const {
  if (auto peer = PeerOfCommandLine(argv, setup_.program, setup_.peersDir)) {
    if (HasEntry(*peer)) return *peer;
  }
  std::vector<std::string> peers;
  Entries(peers);
  for (const auto& peer : peers) {
    const PeerLinkNames names = ReadPeerLinkNames(setup_.peersDir / peer);
    if (!linkname.empty() && names.linkname == linkname) return peer;
    if (!interface.empty() && names.ifname == interface) return peer;
  }
  // A named link whose peer cannot be told keeps its own name.
  return linkname;
}

std::vector<Pppd::FoundLink> Pppd::ScanLinks() const {
  std::vector<FoundLink> found;
  std::error_code error;
  fs::directory_iterator it(setup_.runDir, error);
  if (error) return found;
  for (const auto& item : it) {
    if (auto link = ReadLink(item.path())) found.push_back(std::move(*link));
  }
  // pppd writes both ppp-NAME.pid and its interface's pid file: one link, under its name.
  const auto byPidNamedFirst = [](const FoundLink& a, const FoundLink& b) {
    const auto key = [](const FoundLink& link) {
      return std::make_tuple(link.link.handle.id,
                             !link.pidFile.filename().string().starts_with(kLinkPrefix),
                             link.pidFile);
    };
    return key(a) < key(b);
  };
  std::sort(found.begin(), found.end(), byPidNamedFirst);
  found.erase(std::unique(found.begin(), found.end(),
                          [](const FoundLink& a, const FoundLink& b) {
                            return a.link.handle.id == b.link.handle.id;
                          }),
              found.end());
  std::sort(found.begin(), found.end(),
            [](const FoundLink& a, const FoundLink& b) { return a.link.entry < b.link.entry; });
  return found;
}

std::vector<DialLink> Pppd::Links() const {
  std::vector<DialLink> links;
  for (auto& found : ScanLinks()) links.push_back(std::move(found.link));
  return links;
}

std::optional<DialLink> Pppd::LinkOfId(int pid) const {
  for (auto& found : ScanLinks()) {
    if (found.link.handle.id == pid) return std::move(found.link);
  }
  return std::nullopt;
}

std::optional<DialLink> Pppd::LinkOfEntry(const std::string& entry) const {
  if (!PlainName(entry)) return std::nullopt;
  // The client's own dial names its link after the entry.
  auto own = ReadLink(setup_.runDir / (std::string(kLinkPrefix) + entry + std::string(kPidSuffix)));
  if (own && own->link.entry == entry && own->link.connected) return std::move(own->link);
  // Else a pppd that another program started for the peer.
  for (auto& found : ScanLinks()) {
    if (found.link.entry == entry && found.link.connected) return std::move(found.link);
  }
  if (own && own->link.entry == entry) return std::move(own->link);
  return std::nullopt;
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
    // Its pid files, read while pppd is still alive to be recognised by them.
    std::vector<fs::path> pidFiles;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(setup_.runDir, error)) {
      const auto found = ReadLink(item.path());
      if (found && found->link.handle.id == pid) pidFiles.push_back(found->pidFile);
    }
    ::kill(pid, SIGKILL);
    const auto killDeadline = std::chrono::steady_clock::now() + kAfterKill;
    while (ProcessAlive(pid) && std::chrono::steady_clock::now() < killDeadline) {
      ::usleep(std::chrono::duration_cast<std::chrono::microseconds>(kHangUpPoll).count());
    }
    // A killed pppd cannot remove its pid files; a stale one would name a dead link.
    if (!ProcessAlive(pid)) {
      for (const auto& file : pidFiles) fs::remove(file, error);
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
