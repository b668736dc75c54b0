#include "PrivateSecretService.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "ChildRun.h"

namespace kelbrin::test {
namespace {

// The full path of `program` on PATH; empty when it is not there.
std::string FindProgram(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

void End(pid_t pid) {
  if (pid > 0) EndWithin(pid, SIGTERM, std::chrono::seconds(5));
}

}  // namespace

PrivateSecretService::PrivateSecretService(const std::filesystem::path& dir, bool withKeyring)
    : dir_(dir), address_("unix:path=" + (dir / "bus").string()) {
  const std::string busDaemon = FindProgram("dbus-daemon");
  const std::string keyring = FindProgram("gnome-keyring-daemon");
  if (busDaemon.empty() || (withKeyring && keyring.empty())) {
    missing_ = "dbus-daemon or gnome-keyring-daemon is not installed (scripts/setup)";
    return;
  }
  std::filesystem::create_directories(dir_ / "home");
  std::filesystem::create_directories(dir_ / "run");
  std::filesystem::permissions(dir_ / "run", std::filesystem::perms::owner_all);
  std::ofstream(dir_ / "bus.conf")
      << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig><type>session</type><listen>"
      << address_
      << "</listen><auth>EXTERNAL</auth>\n"
         "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
         "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
         "</policy></busconfig>\n";
  busPid_ = StartProgram(busDaemon, {"--config-file=" + (dir_ / "bus.conf").string(), "--nofork"},
                         "/dev/null", dir_ / "bus.err");
  if (busPid_ <= 0 || !WaitUntil([this] { return std::filesystem::exists(dir_ / "bus"); })) {
    problem_ = "the private session bus did not start: " + ReadFile(dir_ / "bus.err");
    return;
  }
  if (!withKeyring) return;
  std::ofstream(dir_ / "keyring-password") << "known keyring password";
  keyringPid_ = StartProgram(keyring, {"--foreground", "--unlock", "--components=secrets"},
                             dir_ / "keyring-password", dir_ / "keyring.err", Environment());
  if (keyringPid_ <= 0 || !WaitUntil([this] { return SecretsOwned(); })) {
    problem_ =
        "gnome-keyring-daemon did not serve the Secret Service: " + ReadFile(dir_ / "keyring.err");
  }
}

PrivateSecretService::~PrivateSecretService() {
  End(keyringPid_);
  End(busPid_);
}

std::vector<std::string> PrivateSecretService::Environment() const {
  return {"DBUS_SESSION_BUS_ADDRESS=" + address_, "HOME=" + (dir_ / "home").string(),
          "XDG_DATA_HOME=" + (dir_ / "home" / "data").string(),
          "XDG_RUNTIME_DIR=" + (dir_ / "run").string()};
}

bool PrivateSecretService::SecretsOwned() const {
  const std::string command = "busctl --address='" + address_ +
                              "' call org.freedesktop.DBus /org/freedesktop/DBus "
                              "org.freedesktop.DBus NameHasOwner s org.freedesktop.secrets "
                              "2>/dev/null";
  const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return false;
  char line[64] = {};
  return std::fgets(line, sizeof line, pipe.get()) != nullptr && std::string(line) == "b true\n";
}

}  // namespace kelbrin::test
