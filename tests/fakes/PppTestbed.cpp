#include "PppTestbed.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/process/ChildProcess.h"

namespace kelbrin::test {
namespace {

namespace fs = std::filesystem;

}  // namespace

PppTestbed::PppTestbed() {
  if (::geteuid() != 0) {
    unusable_ = "needs root for a network namespace and tun interfaces";
    return;
  }
  if (::access("/dev/net/tun", R_OK | W_OK) != 0) {
    unusable_ = "needs /dev/net/tun";
    return;
  }
  homeNamespace_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  if (homeNamespace_ < 0 || ::unshare(CLONE_NEWNET) != 0) {
    unusable_ = "cannot create a network namespace";
    return;
  }
  for (const char* folder : {"peers", "run", "sys"}) fs::create_directory(dir_ / folder);
  // A sysfs mounted from inside the namespace shows that namespace's interfaces.
  sysfsMounted_ = ::mount("sysfs", (dir_ / "sys").c_str(), "sysfs", 0, nullptr) == 0;
  if (!sysfsMounted_) unusable_ = "cannot mount a sysfs for the namespace";
  peersEnv_ = std::make_unique<ScopedEnv>("FAKE_PPPD_PEERS", (dir_ / "peers").string());
  runEnv_ = std::make_unique<ScopedEnv>("FAKE_PPPD_RUNDIR", RunDir().string());
  pidsEnv_ = std::make_unique<ScopedEnv>("FAKE_PPPD_PIDS", (dir_ / "fake-pids").string());
  fs::create_directories(dir_ / "nm" / "active");
  fs::create_directory(dir_ / "bin");
  fs::create_symlink(KELBRIN_FAKE_NMCLI, dir_ / "bin" / "nmcli");
  nmEnv_ = std::make_unique<ScopedEnv>("FAKE_NMCLI_DIR", (dir_ / "nm").string());
}

PppTestbed::~PppTestbed() {
  // Every pid file of the run folder, also those of links without a name.
  std::error_code ignored;
  for (const auto& folder : {RunDir(), dir_ / "nm" / "active"}) {
    for (const auto& item : fs::directory_iterator(folder, ignored)) {
      pid_t pid = 0;
      std::ifstream(item.path()) >> pid;
      if (platform::ProcessAlive(pid)) ::kill(pid, SIGKILL);
    }
  }
  // Also the fakes that never wrote a pid file (a dial still under way).
  for (const pid_t pid : LiveFakes()) ::kill(pid, SIGKILL);
  if (sysfsMounted_) ::umount2((dir_ / "sys").c_str(), MNT_DETACH);
  if (homeNamespace_ >= 0) {
    ::setns(homeNamespace_, CLONE_NEWNET);
    ::close(homeNamespace_);
  }
}

std::size_t PppTestbed::FakeProcessesStarted() const {
  std::ifstream in(dir_ / "fake-pids");
  std::size_t count = 0;
  for (pid_t pid = 0; in >> pid;) ++count;
  return count;
}

std::vector<pid_t> PppTestbed::LiveFakes() const {
  std::vector<pid_t> live;
  std::ifstream in(dir_ / "fake-pids");
  std::error_code ignored;
  for (pid_t pid = 0; in >> pid;) {
    // A recorded pid that now names another program was reused: not ours.
    const bool fake = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ignored) ==
                      fs::weakly_canonical(KELBRIN_FAKE_PPPD, ignored);
    if (fake && platform::ProcessAlive(pid)) live.push_back(pid);
  }
  return live;
}

void PppTestbed::AddPeer(const std::string& entry, const std::string& local,
                         const std::string& remote, const std::vector<std::string>& directives) {
  std::ofstream out(dir_ / "peers" / entry);
  out << "noauth\n" << local << ":" << remote << "\n";
  out << "# fake: accounts " << (dir_ / "accounts").string() << "\n";
  for (const auto& directive : directives) out << "# fake: " << directive << "\n";
}

void PppTestbed::AddPeerLine(const std::string& entry, const std::string& line) {
  std::ofstream(dir_ / "peers" / entry, std::ios::app) << line << "\n";
}

void PppTestbed::AddAccount(const std::string& user, const std::string& password) {
  std::ofstream(dir_ / "accounts", std::ios::app) << user << " " << password << "\n";
}

int PppTestbed::RunPppdOutside(const std::string& entry, const std::string& user,
                               const std::string& password,
                               const std::vector<std::string>& arguments) {
  const fs::path options = dir_ / ("outside-" + entry);
  std::string quoted;
  for (const char c : password) {
    if (c == '\\' || c == '"') quoted.push_back('\\');
    quoted.push_back(c);
  }
  std::ofstream(options) << "password \"" << quoted << "\"\n";
  std::vector<std::string> argv{KELBRIN_FAKE_PPPD, "call", entry, "user", user};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  argv.insert(argv.end(), {"file", options.string(), "updetach"});
  auto child = platform::ChildProcess::Start(argv);
  if (!child) return -1;
  return child->Wait(std::chrono::seconds(10)).value_or(-1);
}

platform::PppdSetup PppTestbed::Setup(std::chrono::milliseconds hangUpBound) const {
  platform::PppdSetup setup;
  setup.program = KELBRIN_FAKE_PPPD;
  setup.peersDir = dir_ / "peers";
  setup.runDir = RunDir();
  setup.netClassDir = dir_ / "sys" / "class" / "net";
  setup.privateDir = PrivateDir();
  setup.hangUpBound = hangUpBound;
  return setup;
}

platform::DialUpPhonebook PppTestbed::Phonebook(const platform::Pppd& pppd,
                                                const platform::NmDialUp* networkManager) const {
  std::vector<const platform::DialUpFacility*> facilities{&pppd};
  if (networkManager != nullptr) facilities.push_back(networkManager);
  return platform::DialUpPhonebook(std::move(facilities), Setup().netClassDir);
}

void PppTestbed::StartNetworkManager() {
  std::error_code ignored;
  fs::remove(dir_ / "nm" / "stopped", ignored);
  if (pathEnv_) return;
  const char* path = std::getenv("PATH");
  pathEnv_ = std::make_unique<ScopedEnv>(
      "PATH", (dir_ / "bin").string() + (path && *path ? ":" + std::string(path) : ""));
}

void PppTestbed::StopNetworkManager() { std::ofstream(dir_ / "nm" / "stopped") << "\n"; }

void PppTestbed::AddNmProfile(const NmProfile& profile) {
  std::string directives;
  for (const auto& directive : profile.directives) {
    directives += (directives.empty() ? "" : " ") + directive;
  }
  std::ofstream(dir_ / "nm" / "profiles", std::ios::app)
      << profile.name << '\t' << profile.type << '\t' << profile.device << '\t' << profile.user
      << '\t' << profile.password << '\t' << profile.local << '\t' << profile.peer << '\t'
      << directives << '\n';
}

platform::NmDialUpSetup PppTestbed::NmSetup(std::chrono::milliseconds hangUpBound,
                                            std::chrono::seconds dialWait) const {
  return {.privateDir = PrivateDir(), .dialWait = dialWait, .hangUpBound = hangUpBound};
}

pid_t PppTestbed::NmLinkHolder(const std::string& name) const {
  std::error_code ignored;
  for (const auto& item : fs::directory_iterator(dir_ / "nm" / "active", ignored)) {
    const std::string file = item.path().filename().string();
    if (file.find_first_not_of("0123456789") != std::string::npos) continue;  // being written
    std::ifstream in(item.path());
    pid_t pid = 0;
    std::string holderName;
    in >> pid;
    in.ignore();
    std::getline(in, holderName);
    if (holderName == name && platform::ProcessAlive(pid)) return pid;
  }
  return 0;
}

std::string PppTestbed::NmCalls() const {
  std::ifstream in(dir_ / "nm" / "calls");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kelbrin::test
