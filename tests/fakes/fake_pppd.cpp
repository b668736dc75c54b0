// A stand-in for pppd that behaves like it from the outside, for tests in a network namespace
// of their own (this kernel has no ppp module, so the link is a tun interface named pppN).
//
//   fake_pppd call ENTRY user NAME linkname LINK file OPTIONS logfd N updetach
//
// The peer file is read from $FAKE_PPPD_PEERS (default /etc/ppp/peers), the pid file written to
// $FAKE_PPPD_RUNDIR (default /run): ppp-LINK.pid, with LINK from `linkname` on the command line
// or in the peer file, else (like pppd) only the interface's pppN.pid. The peer file holds
// "LOCAL:PEER" addresses and directives for the test, as comments:
//   # fake: accounts FILE      lines "USER PASSWORD" (one blank, the rest is the password)
//   # fake: fail-auth          the peer refuses every login
//   # fake: hang               SIGTERM is ignored once the link is up
//   # fake: delay-ms N         the dial takes N ms before authenticating
// While the link is up, SIGUSR1 makes the peer send one 48-byte packet through it and SIGUSR2
// drops the link at once (exit status 16, as a modem hang-up).
// The password comes only from `password "..."` in the options file. Every process of the fake
// appends its pid to $FAKE_PPPD_PIDS when that is set.
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "FakeLink.h"

namespace {

// pppd's exit statuses used here.
constexpr int kFatal = 1;
constexpr int kOptionError = 2;
constexpr int kUserRequest = 5;
constexpr int kHangup = 16;
constexpr int kAuthFailed = 19;

volatile sig_atomic_t terminate = 0;
volatile sig_atomic_t sendPacket = 0;
volatile sig_atomic_t hangup = 0;
int logFd = -1;

void OnTerm(int) { terminate = 1; }
void OnUsr1(int) { sendPacket = 1; }
void OnUsr2(int) { hangup = 1; }

void Log(const std::string& line) {
  if (logFd < 0) return;
  const std::string text = line + "\n";
  if (::write(logFd, text.data(), text.size()) < 0) logFd = -1;
}

std::string Env(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// The words of a pppd options file: blanks separate, "..." quotes with backslash escapes,
// '#' starts a comment.
std::vector<std::string> OptionWords(const std::string& text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else {
      std::string word;
      bool quoted = false;
      for (; i < text.size(); ++i) {
        const char d = text[i];
        if (d == '"') {
          quoted = !quoted;
        } else if (d == '\\' && i + 1 < text.size()) {
          word.push_back(text[++i]);
        } else if (!quoted && std::isspace(static_cast<unsigned char>(d))) {
          break;
        } else {
          word.push_back(d);
        }
      }
      words.push_back(word);
    }
  }
  return words;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Peer {
  bool found = false;
  std::string local = "10.64.0.1";
  std::string remote = "10.64.0.2";
  std::string accounts;
  std::string linkname;
  bool failAuth = false;
  bool hang = false;
  long delayMs = 0;
};

Peer ReadPeer(const std::string& path) {
  Peer peer;
  std::ifstream in(path);
  if (!in) return peer;
  peer.found = true;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "#") {
      std::string marker, directive;
      words >> marker >> directive;
      if (marker != "fake:") continue;
      if (directive == "accounts") words >> peer.accounts;
      if (directive == "fail-auth") peer.failAuth = true;
      if (directive == "hang") peer.hang = true;
      if (directive == "delay-ms") words >> peer.delayMs;
    } else if (first == "linkname") {
      words >> peer.linkname;
    } else if (const auto colon = first.find(':');
               colon != std::string::npos && first.find('.') != std::string::npos) {
      peer.local = first.substr(0, colon);
      peer.remote = first.substr(colon + 1);
    }
  }
  return peer;
}

bool Authenticates(const Peer& peer, const std::string& user, const std::string& password) {
  if (peer.failAuth) return false;
  std::ifstream in(peer.accounts);
  std::string line;
  while (std::getline(in, line)) {
    if (line == user + " " + password) return true;
  }
  return false;
}

// Creates the tun interface pppN with the peer's addresses; it lives as long as the returned
// descriptor.
int CreateInterface(const Peer& peer, std::string& name) {
  return kelbrin::fake::CreateLinkInterface("ppp%d", peer.local, peer.remote, name);
}

void SleepMs(long ms) { ::usleep(static_cast<useconds_t>(ms) * 1000); }

// Adds this process to $FAKE_PPPD_PIDS, so that the test bed can end every fake it started.
void RecordPid() {
  const std::string file = Env("FAKE_PPPD_PIDS", "");
  if (!file.empty()) std::ofstream(file, std::ios::app) << ::getpid() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> options;
  bool updetach = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "updetach" || word == "nodetach") {
      updetach = word == "updetach";
    } else if (i + 1 < argc) {
      options[word] = argv[++i];
    } else {
      return kOptionError;
    }
  }
  RecordPid();
  ::signal(SIGPIPE, SIG_IGN);
  if (options.count("logfd")) logFd = std::atoi(options["logfd"].c_str());
  std::string password;
  if (options.count("file")) {
    const auto words = OptionWords(ReadFile(options["file"]));
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
      if (words[i] == "password") password = words[i + 1];
    }
  }
  const std::string entry = options["call"];
  const std::string user = options["user"];
  const Peer peer = ReadPeer(Env("FAKE_PPPD_PEERS", "/etc/ppp/peers") + "/" + entry);
  if (entry.empty() || !peer.found) return kOptionError;
  // Like pppd: without a link name there is no ppp-LINK.pid, only the interface's pid file.
  const std::string link = options.count("linkname") ? options["linkname"] : peer.linkname;

  Log("pppd 2.4.9 started by root, uid 0");
  std::string name;
  const int tun = CreateInterface(peer, name);
  if (tun < 0) {
    Log("Couldn't create the ppp interface");
    return kFatal;
  }
  Log("Using interface " + name);
  Log("Connect: " + name + " <--> /dev/pts/0");
  SleepMs(peer.delayMs);
  Log("sent [PAP AuthReq id=0x1 user=\"" + user + "\" password=<hidden>]");
  if (!Authenticates(peer, user, password)) {
    Log("PAP authentication failed");
    Log("Connection terminated.");
    return kAuthFailed;
  }
  Log("PAP authentication succeeded");
  Log("local  IP address " + peer.local);
  Log("remote IP address " + peer.remote);

  // Like pppd's updetach: the started process ends with 0 once the link is up and the pid file
  // names the process that carries on.
  int ready[2];
  if (updetach && ::pipe(ready) != 0) return kFatal;
  if (updetach) {
    const pid_t daemon = ::fork();
    if (daemon < 0) return kFatal;
    if (daemon > 0) {
      ::close(ready[1]);
      char done = 0;
      return ::read(ready[0], &done, 1) == 1 ? 0 : kFatal;
    }
    ::close(ready[0]);
    ::setsid();
    RecordPid();
  }
  const std::string pidFile = Env("FAKE_PPPD_RUNDIR", "/run") + "/" +
                              (link.empty() ? name : "ppp-" + link) + ".pid";
  {
    std::ofstream out(pidFile);
    out << ::getpid() << "\n" << name << "\n";
  }
  if (peer.hang) {
    ::signal(SIGTERM, SIG_IGN);
  } else {
    ::signal(SIGTERM, OnTerm);
  }
  // Before the dialer hears that the link is up: a test may signal the fake at once.
  ::signal(SIGUSR1, OnUsr1);
  ::signal(SIGUSR2, OnUsr2);
  if (updetach) {
    const char done = 1;
    if (::write(ready[1], &done, 1) != 1) return kFatal;
    ::close(ready[1]);
  }
  while (!terminate && !hangup) {
    if (sendPacket) {
      sendPacket = 0;
      if (!kelbrin::fake::WritePeerPacket(tun, peer.remote, peer.local)) {
        Log("write to the link failed");
      }
    }
    SleepMs(10);
  }
  Log(terminate ? "Terminating on signal 15" : "Modem hangup");
  ::close(tun);
  std::remove(pidFile.c_str());
  Log("Connection terminated.");
  return terminate ? kUserRequest : kHangup;
}
