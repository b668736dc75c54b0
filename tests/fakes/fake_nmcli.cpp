// A stand-in for NetworkManager's `nmcli` that behaves like it from the outside, for tests in a
// network namespace of their own. Its NetworkManager is the folder $FAKE_NMCLI_DIR:
//   profiles   one connection profile a line, its fields separated by tabs:
//              NAME TYPE DEVICE USER PASSWORD LOCAL PEER DIRECTIVES (blank-separated)
//   active/N   NetworkManager's active connection N: the pid of the process that holds its link,
//              the profile's name and the IP interface, one a line
//   stopped    while present, NetworkManager does not run (every call ends with exit status 8)
//   calls      every call's arguments, one call a line; for a passwd-file also its mode
// The directives of a dial-up profile:
//   fail-auth        the secrets are never accepted (exit 4 with NetworkManager's reason)
//   not-authorized   polkit refuses the activation (exit 4)
//   missing          listed, but `connection up` finds no such connection (exit 10)
//   hang             `connection up` never answers and activates nothing
//   hang-after-up    `connection up` activates the connection, then never answers
//   delay-ms N       the activation takes N ms (past --wait: exit 3, nothing activated)
// An activation is a process of its own holding a tun interface (pppN for PPPoE, wwanN for mobile
// broadband) with LOCAL and, unless empty, PEER. SIGTERM takes it down; SIGUSR2 drops it (a lost
// carrier); SIGUSR1 makes the peer send one 48-byte packet through it.
//
// The calls understood, those the client makes:
//   -t -f FIELDS connection show                       FIELDS of NAME, TYPE, DEVICE, ACTIVE-PATH
//   -t -f FIELDS connection show (apath PATH|id NAME)  GENERAL.STATE, GENERAL.IP-IFACE,
//                                                      TYPE.username
//   --wait N connection up id NAME passwd-file FILE
//   connection down (apath PATH|id NAME)
// Anything else ends with exit status 2.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "FakeLink.h"

namespace {

namespace fs = std::filesystem;

// nmcli's exit statuses used here.
constexpr int kOk = 0;
constexpr int kUserInput = 2;
constexpr int kTimeout = 3;
constexpr int kActivationFailed = 4;
constexpr int kNotRunning = 8;
constexpr int kNotFound = 10;

constexpr const char* kActivePathPrefix = "/org/freedesktop/NetworkManager/ActiveConnection/";

volatile sig_atomic_t terminate = 0;
volatile sig_atomic_t dropped = 0;
volatile sig_atomic_t sendPacket = 0;

void OnTerm(int) { terminate = 1; }
void OnUsr1(int) { sendPacket = 1; }
void OnUsr2(int) { dropped = 1; }

struct Profile {
  std::string name, type, device, user, password, local, peer;
  std::vector<std::string> directives;

  bool Has(const std::string& directive) const {
    return std::find(directives.begin(), directives.end(), directive) != directives.end();
  }
  long DelayMs() const {
    const auto it = std::find(directives.begin(), directives.end(), "delay-ms");
    return it != directives.end() && it + 1 != directives.end() ? std::atol((it + 1)->c_str()) : 0;
  }
};

struct Activation {
  int number = 0;
  pid_t pid = 0;
  std::string name;
  std::string interface;

  std::string Path() const { return kActivePathPrefix + std::to_string(number); }
};

fs::path Dir() {
  const char* dir = std::getenv("FAKE_NMCLI_DIR");
  return dir && *dir ? fs::path(dir) : fs::path();
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

std::vector<Profile> Profiles() {
  std::vector<Profile> profiles;
  std::ifstream in(Dir() / "profiles");
  std::string line;
  while (std::getline(in, line)) {
    auto fields = Split(line, '\t');
    if (fields.size() < 7) continue;
    Profile profile{fields[0], fields[1], fields[2], fields[3],
                    fields[4], fields[5], fields[6], {}};
    if (fields.size() > 7) {
      std::istringstream words(fields[7]);
      for (std::string word; words >> word;) profile.directives.push_back(word);
    }
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

std::optional<Profile> ProfileNamed(const std::string& name) {
  for (auto& profile : Profiles()) {
    if (profile.name == name) return profile;
  }
  return std::nullopt;
}

// The live activations, oldest first; a record whose holder died is dropped.
std::vector<Activation> Activations() {
  std::vector<Activation> activations;
  std::error_code ignored;
  for (const auto& item : fs::directory_iterator(Dir() / "active", ignored)) {
    const std::string file = item.path().filename().string();
    if (file.find_first_not_of("0123456789") != std::string::npos) continue;  // being written
    Activation activation;
    activation.number = std::atoi(file.c_str());
    std::ifstream in(item.path());
    std::string pid;
    if (activation.number <= 0 || !std::getline(in, pid) || !std::getline(in, activation.name) ||
        !std::getline(in, activation.interface)) {
      continue;
    }
    activation.pid = static_cast<pid_t>(std::atoi(pid.c_str()));
    if (activation.pid <= 0 || ::kill(activation.pid, 0) != 0) {
      fs::remove(item.path(), ignored);
      continue;
    }
    activations.push_back(activation);
  }
  std::sort(activations.begin(), activations.end(),
            [](const Activation& a, const Activation& b) { return a.number < b.number; });
  return activations;
}

std::optional<Activation> ActivationOf(const std::string& name) {
  for (auto& activation : Activations()) {
    if (activation.name == name) return activation;
  }
  return std::nullopt;
}

// A terse value: ':' and '\' escaped, an empty one as nmcli writes it.
std::string Terse(const std::string& value) {
  std::string escaped;
  for (const char c : value) {
    if (c == ':' || c == '\\') escaped.push_back('\\');
    escaped.push_back(c);
  }
  return escaped;
}

// A passwd-file as nmcli reads it: "setting.property:secret" lines; the secret takes backslash
// escapes (octal too), and its unescaped blanks at either end are stripped.
std::string Unescape(const std::string& raw) {
  std::size_t begin = raw.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  std::size_t end = raw.size();
  while (end > begin && (raw[end - 1] == ' ' || raw[end - 1] == '\t') &&
         !(end >= 2 && raw[end - 2] == '\\')) {
    --end;
  }
  std::string value;
  for (std::size_t i = begin; i < end; ++i) {
    if (raw[i] != '\\' || i + 1 >= end) {
      value.push_back(raw[i]);
      continue;
    }
    const char c = raw[++i];
    if (c >= '0' && c <= '7') {
      int code = c - '0';
      for (int digits = 1; digits < 3 && i + 1 < end && raw[i + 1] >= '0' && raw[i + 1] <= '7';
           ++digits) {
        code = code * 8 + (raw[++i] - '0');
      }
      value.push_back(static_cast<char>(code));
    } else if (c == 'n') {
      value.push_back('\n');
    } else if (c == 't') {
      value.push_back('\t');
    } else {
      value.push_back(c);
    }
  }
  return value;
}

std::optional<std::string> Secret(const std::string& file, const std::string& key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const auto colon = line.find(':');
    if (colon != std::string::npos && line.substr(0, colon) == key) {
      return Unescape(line.substr(colon + 1));
    }
  }
  return std::nullopt;
}

void Record(const std::vector<std::string>& arguments) {
  std::string line;
  for (const auto& argument : arguments) line += (line.empty() ? "" : " ") + argument;
  std::ofstream(Dir() / "calls", std::ios::app) << line << "\n";
}

// Runs `body` holding the state folder's lock, so that concurrent calls see whole records.
template <typename Body>
auto Locked(Body body) {
  const int fd = ::open((Dir() / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ::flock(fd, LOCK_EX);
  auto result = body();
  ::close(fd);
  return result;
}

[[noreturn]] void NeverAnswer() {
  for (;;) ::pause();
}

int Fail(int status, const std::string& message) {
  std::cerr << message << "\n";
  return status;
}

// Takes an activation down: its holder ends and removes its record.
void Deactivate(const Activation& activation) {
  ::kill(activation.pid, SIGTERM);
  for (int round = 0; round < 500 && ::kill(activation.pid, 0) == 0 &&
                      fs::exists(Dir() / "active" / std::to_string(activation.number));
       ++round) {
    ::usleep(10000);
  }
}

// The holder of an activation's link, in a process of its own: like NetworkManager, it outlives
// the nmcli that asked for it. Writes one byte on `ready` once the link is up.
[[noreturn]] void HoldLink(const Profile& profile, int number, int ready) {
  ::setsid();
  const int null = ::open("/dev/null", O_RDWR);
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(null, fd);
  ::signal(SIGTERM, OnTerm);
  ::signal(SIGUSR1, OnUsr1);
  ::signal(SIGUSR2, OnUsr2);
  std::string interface;
  const int tun = kelbrin::fake::CreateLinkInterface(profile.type == "pppoe" ? "ppp%d" : "wwan%d",
                                                     profile.local, profile.peer, interface);
  if (tun < 0) std::_Exit(1);
  const fs::path record = Dir() / "active" / std::to_string(number);
  {
    std::ofstream out(record.string() + ".new");
    out << ::getpid() << "\n" << profile.name << "\n" << interface << "\n";
  }
  fs::rename(record.string() + ".new", record);
  const char done = 1;
  if (::write(ready, &done, 1) != 1) std::_Exit(1);
  ::close(ready);
  const std::string from = profile.peer.empty() ? "10.255.255.1" : profile.peer;
  while (!terminate && !dropped) {
    if (sendPacket) {
      sendPacket = 0;
      kelbrin::fake::WritePeerPacket(tun, from, profile.local);
    }
    ::usleep(10000);
  }
  std::error_code ignored;
  fs::remove(record, ignored);
  ::close(tun);
  std::_Exit(0);
}

int ConnectionUp(const std::string& name, const std::string& passwdFile, long waitSeconds) {
  const auto profile = ProfileNamed(name);
  if (!profile || profile->Has("missing")) {
    return Fail(kNotFound, "Error: unknown connection '" + name + "'.");
  }
  struct stat info {};
  const bool readable = ::stat(passwdFile.c_str(), &info) == 0;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%o", info.st_mode & 0777);
  Record({"passwd-file-mode", readable ? mode : "missing"});
  if (profile->Has("not-authorized")) {
    return Fail(kActivationFailed,
                "Error: Connection activation failed: Not authorized to control networking.");
  }
  if (profile->Has("hang")) NeverAnswer();
  const long delayMs = profile->DelayMs();
  if (delayMs > waitSeconds * 1000) {
    ::usleep(static_cast<useconds_t>(waitSeconds * 1000000));
    return Fail(kTimeout, "Error: Timeout expired (" + std::to_string(waitSeconds) + " seconds)");
  }
  ::usleep(static_cast<useconds_t>(delayMs * 1000));
  const auto secret = Secret(passwdFile, profile->type + ".password");
  if (profile->Has("fail-auth") || secret != profile->password) {
    return Fail(kActivationFailed,
                "Error: Connection activation failed: Secrets were required, but not provided\n"
                "Hint: use 'journalctl -xe NM_CONNECTION=" +
                    name + " + NM_DEVICE=" + profile->device + "' to get more details.");
  }
  // Activating an active connection replaces its activation.
  if (const auto old = ActivationOf(name)) Deactivate(*old);
  const int number = Locked([] {
    int next = 0;
    std::ifstream(Dir() / "next") >> next;
    next = std::max(next, 0) + 1;
    std::ofstream(Dir() / "next") << next;
    return next;
  });
  int ready[2];
  if (::pipe(ready) != 0) return Fail(1, "Error: pipe");
  const pid_t holder = ::fork();
  if (holder == 0) {
    ::close(ready[0]);
    HoldLink(*profile, number, ready[1]);
  }
  ::close(ready[1]);
  char done = 0;
  if (holder < 0 || ::read(ready[0], &done, 1) != 1) {
    return Fail(kActivationFailed,
                "Error: Connection activation failed: The device could not be readied for "
                "configuration");
  }
  if (profile->Has("hang-after-up")) NeverAnswer();
  std::cout << "Connection successfully activated (D-Bus active path: " << kActivePathPrefix
            << number << ")\n";
  return kOk;
}

// The activations a selector names: "apath PATH" or "id NAME".
std::vector<Activation> Selected(const std::string& selector, const std::string& value) {
  std::vector<Activation> selected;
  for (auto& activation : Activations()) {
    if ((selector == "apath" && activation.Path() == value) ||
        (selector == "id" && activation.name == value)) {
      selected.push_back(activation);
    }
  }
  return selected;
}

int ConnectionDown(const std::string& selector, const std::string& value) {
  const auto selected = Selected(selector, value);
  if (selected.empty()) {
    return Fail(kNotFound, "Error: '" + value +
                               "' is not an active connection.\n"
                               "Error: no active connection provided.");
  }
  for (const auto& activation : selected) {
    Deactivate(activation);
    std::cout << "Connection '" << activation.name
              << "' successfully deactivated (D-Bus active path: " << activation.Path() << ")\n";
  }
  return kOk;
}

int ShowList(const std::vector<std::string>& fields) {
  const auto activations = Activations();
  for (const auto& profile : Profiles()) {
    const auto active = std::find_if(activations.begin(), activations.end(),
                                     [&](const Activation& a) { return a.name == profile.name; });
    std::string line;
    for (const auto& field : fields) {
      std::string value;
      if (field == "NAME") value = Terse(profile.name);
      if (field == "TYPE") value = profile.type;
      if (field == "DEVICE") value = active != activations.end() ? profile.device : "--";
      if (field == "ACTIVE-PATH" && active != activations.end()) value = active->Path();
      line += (line.empty() ? "" : ":") + value;
    }
    std::cout << line << "\n";
  }
  return kOk;
}

int ShowOne(const std::vector<std::string>& fields, const std::string& selector,
            const std::string& value) {
  std::optional<Profile> profile;
  std::optional<Activation> activation;
  if (selector == "apath") {
    const auto selected = Selected(selector, value);
    if (!selected.empty()) {
      activation = selected.front();
      profile = ProfileNamed(activation->name);
    }
  } else {
    profile = ProfileNamed(value);
    if (profile) activation = ActivationOf(profile->name);
  }
  if (!profile) return Fail(kNotFound, "Error: " + value + " - no such connection profile.");
  for (const auto& field : fields) {
    if (field == "GENERAL.STATE" || field == "GENERAL.IP-IFACE") {
      // The active connection's fields show only while it is active.
      if (!activation) continue;
      std::cout << field << ":"
                << (field == "GENERAL.STATE" ? "activated" : Terse(activation->interface)) << "\n";
    } else if (field == profile->type + ".username") {
      std::cout << field << ":" << (profile->user.empty() ? "--" : Terse(profile->user)) << "\n";
    } else {
      return Fail(kUserInput, "Error: invalid field '" + field + "'.");
    }
  }
  return kOk;
}

int Run(const std::vector<std::string>& arguments) {
  std::vector<std::string> fields;
  long waitSeconds = 90;
  std::size_t i = 0;
  for (; i < arguments.size() && arguments[i].starts_with("-"); ++i) {
    if (arguments[i] == "-f" && i + 1 < arguments.size()) {
      fields = Split(arguments[++i], ',');
    } else if (arguments[i] == "--wait" && i + 1 < arguments.size()) {
      waitSeconds = std::atol(arguments[++i].c_str());
    } else if (arguments[i] != "-t") {
      return Fail(kUserInput, "Error: Option '" + arguments[i] + "' is unknown.");
    }
  }
  const std::vector<std::string> command(arguments.begin() + static_cast<long>(i), arguments.end());
  const auto is = [&command](const std::vector<std::string>& words) {
    if (command.size() != words.size()) return false;
    for (std::size_t w = 0; w < words.size(); ++w) {
      if (!words[w].empty() && words[w] != command[w]) return false;
    }
    return true;
  };
  const bool selector = command.size() == 4 && (command[2] == "apath" || command[2] == "id");
  if (is({"connection", "show"})) return ShowList(fields);
  if (is({"connection", "show", "", ""}) && selector)
    return ShowOne(fields, command[2], command[3]);
  if (is({"connection", "up", "id", "", "passwd-file", ""})) {
    return ConnectionUp(command[3], command[5], waitSeconds);
  }
  if (is({"connection", "down", "", ""}) && selector) return ConnectionDown(command[2], command[3]);
  return Fail(kUserInput, "Error: argument not understood.");
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (Dir().empty() || fs::exists(Dir() / "stopped")) {
    return Fail(kNotRunning, "Error: NetworkManager is not running.");
  }
  Record(arguments);
  return Run(arguments);
}
