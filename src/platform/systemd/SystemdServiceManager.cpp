#include "platform/systemd/SystemdServiceManager.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/files/AtomicFile.h"
#include "platform/files/ConfigHome.h"
#include "platform/files/TextTrim.h"
#include "platform/process/ChildProcess.h"
#include "platform/secrets/SystemdCredentialStore.h"

namespace kelbrin::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

// How long a stop waits between two looks at the unit's state.
constexpr std::chrono::milliseconds kStopPollInterval{250};
// How long an uninstall waits for the running service to stop.
constexpr std::chrono::seconds kUninstallStopBound{30};

bool IsStoppedState(const std::string& state) { return state == "inactive" || state == "failed"; }

// Unit name characters; a leading '-' would be taken for an option.
bool IsValidServiceName(const std::string& name) {
  return !name.empty() && name.front() != '-' && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':' || c == '@' || c == '\\';
  });
}

// A control character would end the line of the unit file and start a directive of its own.
bool HasControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// One folder's name: no path that leads elsewhere, nothing that ends the unit file's line.
bool IsFolderName(const std::string& name) {
  return name != "." && name != ".." && name.find('/') == std::string::npos &&
         !HasControlCharacter(name);
}

std::string Unit(const std::string& name) { return name + ".service"; }

// `path` quoted for a path list such as ReadWritePaths=: double quotes, C escapes, '%' doubled.
std::string PathArgument(const std::string& path) {
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '\\' || c == '"') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return quoted + '"';
}

// Limits that need no privileges of the manager, so a user unit gets them too: no privilege
// gained through set-user-id programs, no core dump (the process holds the password), private
// new files, and a system-call filter that keeps to what a network client needs. A system
// unit's pppd (a child of the service) also opens PPPoE's sockets.
void WriteConfinement(std::ostream& text, SystemdServiceManager::Scope scope) {
  const bool system = scope == SystemdServiceManager::Scope::System;
  text << "UMask=0077\n"
       << "LimitCORE=0\n"
       << "NoNewPrivileges=yes\n"
       << "RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6 AF_NETLINK"
       << (system ? " AF_PPPOX AF_PACKET\n" : "\n") << "RestrictNamespaces=yes\n"
       << "RestrictRealtime=yes\n"
       << "RestrictSUIDSGID=yes\n"
       << "LockPersonality=yes\n"
       << "MemoryDenyWriteExecute=yes\n"
       << "SystemCallArchitectures=native\n"
       << "SystemCallFilter=@system-service\n"
       << "SystemCallFilter=~@privileged @resources @mount @swap @reboot @raw-io @module "
          "@obsolete @debug @cpu-emulation @clock\n"
       << "SystemCallErrorNumber=EPERM\n";
}

// The sandbox of a system unit: a read-only system and home with only the settings folder and
// /run writable, private /tmp, IPC and mounts, no kernel knobs, no other processes. What the
// dial-up line's pppd needs is kept: CAP_NET_ADMIN (and CAP_NET_RAW for PPPoE) to bring a link
// up, /run for its pid files (the client finds the link by them), /dev/ppp and the modems.
// /proc keeps its machine facts (memory, processors, kernel release) for the inventory report.
void WriteSystemSandbox(std::ostream& text, const std::filesystem::path& writableFolder,
                        bool runsAsRoot) {
  // The homes are hidden unless the settings are in one (a unit installed for a desktop user).
  const bool settingsInAHome = std::ranges::any_of(
      std::initializer_list<std::string_view>{"/home/", "/root/", "/run/user/"},
      [&](std::string_view home) { return writableFolder.string().starts_with(home); });
  text << "CapabilityBoundingSet=CAP_NET_ADMIN CAP_NET_RAW\n";
  // Root holds what the bounding set leaves it; another user needs the capabilities handed in.
  if (!runsAsRoot) text << "AmbientCapabilities=CAP_NET_ADMIN CAP_NET_RAW\n";
  text << "ProtectSystem=strict\n"
       << "ProtectHome=" << (settingsInAHome ? "read-only" : "yes") << '\n';
  // "-": a settings folder that does not exist yet does not keep the service from starting.
  if (!writableFolder.empty()) {
    text << "ReadWritePaths=" << PathArgument("-" + writableFolder.string()) << '\n';
  }
  text << "ReadWritePaths=/run\n";
  text << "PrivateTmp=yes\n"
       << "PrivateMounts=yes\n"
       << "PrivateIPC=yes\n"
       << "RemoveIPC=yes\n"
       << "KeyringMode=private\n"
       << "DevicePolicy=closed\n"
       << "DeviceAllow=/dev/ppp rw\n"
       << "DeviceAllow=char-ttyS rw\n"
       << "DeviceAllow=char-ttyUSB rw\n"
       << "DeviceAllow=char-ttyACM rw\n"
       << "ProtectKernelTunables=yes\n"
       << "ProtectKernelModules=yes\n"
       << "ProtectKernelLogs=yes\n"
       << "ProtectControlGroups=yes\n"
       << "ProtectClock=yes\n"
       << "ProtectHostname=yes\n"
       << "ProtectProc=invisible\n";
}

// The account and the line's password saved for the service, sealed by systemd-creds
// (SystemdCredentialStore.h). The stand-in value is the default while none is saved: a
// credential that cannot be loaded is then no reason to keep the service from starting. The
// service seals what it saves itself there too, so the folder is writable ("-": a machine
// without it still starts the service), and systemd-creds reaches the TPM where there is one.
void WriteCredentials(std::ostream& text) {
  text << "ReadWritePaths="
       << PathArgument(std::string("-") + SystemdCredentialStore::kDefaultFolder) << '\n'
       << "DeviceAllow=/dev/tpmrm0 rw\n";
  for (const SecretKind kind : {SecretKind::Account, SecretKind::Line}) {
    const std::string name = SystemdCredentialStore::CredentialName(kind);
    text << "LoadCredentialEncrypted=" << name << ':'
         << (std::filesystem::path(SystemdCredentialStore::kDefaultFolder) / name).string() << '\n'
         << "SetCredential=" << name << ":none\n";
  }
}

}  // namespace

SystemdServiceManager::Scope SystemdServiceManager::DefaultScope() {
  return RunsAsRoot() ? Scope::System : Scope::User;
}

std::filesystem::path SystemdServiceManager::DefaultUnitFolder(Scope scope) {
  return scope == Scope::System ? std::filesystem::path("/etc/systemd/system")
                                : UserConfigHome() / "systemd" / "user";
}

SystemdServiceManager::SystemdServiceManager(Scope scope, std::chrono::milliseconds timeout,
                                             std::filesystem::path unitFolder)
    : scope_(scope),
      timeout_(timeout),
      unitFolder_(unitFolder.empty() ? DefaultUnitFolder(scope) : std::move(unitFolder)) {}

std::filesystem::path SystemdServiceManager::UnitPath(const std::string& name) const {
  return unitFolder_ / Unit(name);
}

bool SystemdServiceManager::Systemctl(std::vector<std::string> args, std::string* output) const {
  std::vector<std::string> argv{"systemctl"};
  if (scope_ == Scope::User) argv.emplace_back("--user");
  argv.insert(argv.end(), args.begin(), args.end());
  const auto result = RunProcess(argv, timeout_);
  if (output)
    *output = result ? std::string(TrimmedEnd(result->standardOutput, " \r\n")) : std::string();
  return result && result->exitCode == 0;
}

std::string SystemdServiceManager::ActiveState(const std::string& unit) const {
  std::string state;
  if (!Systemctl({"show", "-p", "ActiveState", "--value", unit}, &state)) return {};
  return state;
}

bool SystemdServiceManager::IsInstalled(const std::string& name) {
  if (!IsValidServiceName(name)) return false;
  std::string properties;
  if (!Systemctl({"show", "-p", "LoadState", "-p", "UnitFileState", Unit(name)}, &properties)) {
    return false;
  }
  // Loaded alone is not enough: a unit shipped by the distribution's package is loaded from the
  // start, but the service runs at boot only once it is enabled.
  std::istringstream lines(properties);
  std::string line;
  bool loaded = false;
  bool enabled = false;
  while (std::getline(lines, line)) {
    if (line == "LoadState=loaded") loaded = true;
    if (line == "UnitFileState=enabled" || line == "UnitFileState=enabled-runtime") enabled = true;
  }
  return loaded && enabled;
}

std::string SystemdServiceManager::ExecArgument(const std::string& argument) {
  std::string quoted = "\"";
  for (const char c : argument) {
    switch (c) {
      case '\\':
        quoted += "\\\\";
        break;
      case '"':
        quoted += "\\\"";
        break;
      case '%':
        quoted += "%%";
        break;
      case '$':
        quoted += "$$";
        break;
      default:
        quoted += c;
    }
  }
  return quoted + '"';
}

std::string SystemdServiceManager::UnitFileText(const ServiceDefinition& service, Scope scope) {
  std::ostringstream text;
  text << "[Unit]\n"
       << "Description=" << service.displayName << '\n';
  // The user manager has no network-online.target; a user unit starts with the user's manager.
  if (scope == Scope::System) {
    text << "Wants=network-online.target\n"
         << "After=network-online.target\n";
  }
  text << "\n[Service]\n"
       << "Type=notify\n"
       << "ExecStart=";
  for (std::size_t i = 0; i < service.command.size(); ++i) {
    text << (i ? " " : "") << ExecArgument(service.command[i]);
  }
  text << '\n';
  // The service reads its settings again on SIGHUP; kill runs as the service's own account.
  if (service.reloadsOnHangUp) text << "ExecReload=/bin/kill -HUP $MAINPID\n";
  if (!service.user.empty()) text << "User=" << service.user << '\n';
  text << "Restart=on-failure\n";
  // Created by the manager for the service's account (below /var/lib for a system unit) and
  // handed over as $STATE_DIRECTORY.
  // The runtime folder of the same name holds the status file that --status reads without a
  // bus, and the dial's password files: private to the service's account.
  if (!service.stateFolder.empty()) {
    text << "StateDirectory=" << service.stateFolder << '\n'
         << "RuntimeDirectory=" << service.stateFolder << '\n'
         << "RuntimeDirectoryMode=0700\n";
  }
  WriteConfinement(text, scope);
  if (scope == Scope::System) {
    WriteSystemSandbox(text, service.writableFolder,
                       service.user.empty() || service.user == "root");
    WriteCredentials(text);
  }
  text << "\n[Install]\n"
       << "WantedBy=" << (scope == Scope::System ? "multi-user.target" : "default.target") << '\n';
  return text.str();
}

bool SystemdServiceManager::Install(const ServiceDefinition& service, std::string& error) {
  if (!IsValidServiceName(service.name)) {
    error = "'" + service.name + "' is not a unit name";
    return false;
  }
  // The state folder is one name, not a path that could climb out of the manager's folder.
  const bool unsafe = HasControlCharacter(service.displayName) ||
                      HasControlCharacter(service.user) ||
                      (!service.stateFolder.empty() && !IsFolderName(service.stateFolder)) ||
                      HasControlCharacter(service.writableFolder.string()) ||
                      std::any_of(service.command.begin(), service.command.end(),
                                  [](const std::string& arg) { return HasControlCharacter(arg); });
  if (service.command.empty() || service.command.front().empty() ||
      service.command.front().front() != '/' || unsafe) {
    error = "the service needs an absolute executable path and texts without control characters";
    return false;
  }
  const std::filesystem::path unitPath = UnitPath(service.name);
  try {
    CreateFolder(unitFolder_, 0755);
    WriteFileAtomically(unitPath, UnitFileText(service, scope_), 0644);
  } catch (const std::system_error& failure) {
    error = failure.what();
    return false;
  }
  Systemctl({"daemon-reload"});
  if (!Systemctl({"enable", Unit(service.name)})) {
    std::error_code ignored;
    std::filesystem::remove(unitPath, ignored);
    Systemctl({"daemon-reload"});
    error = "systemctl enable " + Unit(service.name) + " failed";
    return false;
  }
  return true;
}

bool SystemdServiceManager::Uninstall(const std::string& name, std::string& error) {
  const std::filesystem::path unitPath = UnitPath(name);
  std::error_code status;
  if (!IsValidServiceName(name) || !std::filesystem::exists(unitPath, status)) {
    error = unitPath.string() + " does not exist";
    return false;
  }
  // A unit removed under a running service would leave its process running, unmanaged.
  const std::string state = StopUnit(name, kUninstallStopBound, [](auto pause) {
    std::this_thread::sleep_for(pause);
    return true;
  });
  if (!state.empty() && !IsStoppedState(state)) {
    error = Unit(name) + " is still running (" + state + ")";
    return false;
  }
  const bool disabled = Systemctl({"disable", Unit(name)});
  const bool removed = std::filesystem::remove(unitPath, status);
  Systemctl({"daemon-reload"});
  if (!disabled) error = "systemctl disable " + Unit(name) + " failed";
  if (!removed) error = "cannot remove " + unitPath.string() + ": " + status.message();
  return disabled && removed;
}

bool SystemdServiceManager::Stop(const std::string& name, std::chrono::milliseconds timeout,
                                 const StopPause& pause) {
  return IsValidServiceName(name) && IsStoppedState(StopUnit(name, timeout, pause));
}

std::string SystemdServiceManager::StopUnit(const std::string& name,
                                            std::chrono::milliseconds timeout,
                                            const StopPause& pause) const {
  const std::string unit = Unit(name);
  // A refused stop still reports the state the unit is in.
  if (!Systemctl({"stop", "--no-block", unit})) return ActiveState(unit);
  const auto deadline = SteadyClock::now() + timeout;
  for (;;) {
    std::string state = ActiveState(unit);
    if (state.empty() || IsStoppedState(state)) return state;
    if (SteadyClock::now() >= deadline || !pause(kStopPollInterval)) return state;
  }
}

bool SystemdServiceManager::CgroupInUnit(const std::string& cgroupText, const std::string& unit) {
  std::istringstream lines(cgroupText);
  std::string line;
  while (std::getline(lines, line)) {
    // "ID:CONTROLLERS:PATH"; v2 has the empty controller list, v1 systemd's "name=systemd".
    const auto first = line.find(':');
    const auto second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    if (!controllers.empty() && controllers != "name=systemd") continue;
    std::istringstream path(line.substr(second + 1));
    std::string component;
    while (std::getline(path, component, '/')) {
      if (component == unit) return true;
    }
  }
  return false;
}

bool SystemdServiceManager::RunsAs(const std::string& name) {
  std::ifstream file("/proc/self/cgroup");
  std::ostringstream text;
  text << file.rdbuf();
  return IsValidServiceName(name) && CgroupInUnit(text.str(), Unit(name));
}

}  // namespace kelbrin::platform
