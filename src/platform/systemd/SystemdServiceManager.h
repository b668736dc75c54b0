#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/systemd/ServiceManager.h"

namespace kelbrin::platform {

// Services as systemd units "NAME.service", asked through systemctl (found on PATH, run without a
// shell, given a bounded time). Without systemctl, or when systemd cannot be reached, nothing is
// installed: a machine without systemd cannot hold the client's service either.
class SystemdServiceManager : public ServiceManager {
 public:
  enum class Scope { System, User };

  // The system instance when root, else the user's (systemctl --user).
  static Scope DefaultScope();
  // Where unit files of `scope` go: /etc/systemd/system, or UserConfigHome()/systemd/user.
  static std::filesystem::path DefaultUnitFolder(Scope scope);

  // `unitFolder` empty: DefaultUnitFolder(scope). `timeout` bounds each systemctl call.
  explicit SystemdServiceManager(Scope scope = DefaultScope(),
                                 std::chrono::milliseconds timeout = std::chrono::seconds(5),
                                 std::filesystem::path unitFolder = {});

  // Installed = the unit is known: `systemctl show -p LoadState --value NAME.service` answers
  // "loaded" (a unit without a unit file answers "not-found").
  bool IsInstalled(const std::string& name) override;

  // Writes NAME.service into the unit folder (atomically, 0644), reloads systemd and enables the
  // unit; when enabling fails the file is taken away again. An existing unit is replaced.
  bool Install(const ServiceDefinition& service, std::string& error) override;
  // Stops the service when it runs (waiting up to 30 s), then disables the unit, removes its
  // file and reloads systemd. A service that is still running after that is not removed.
  bool Uninstall(const std::string& name, std::string& error) override;

  // `systemctl stop --no-block`, then polls ActiveState: "inactive" and "failed" are stopped. The
  // stop job itself is not waited for inside systemctl, so a service that stops itself is free
  // to handle its SIGTERM meanwhile.
  bool Stop(const std::string& name, std::chrono::milliseconds timeout,
            const StopPause& pause) override;

  // This process's cgroup (/proc/self/cgroup) lies in NAME.service.
  bool RunsAs(const std::string& name) override;

  std::filesystem::path UnitPath(const std::string& name) const;

  // The unit file for `service` in `scope`: starts after the network is online, restarts after a
  // failure, wanted by multi-user.target (system) or default.target (user). Confined: no core
  // dumps, no new privileges, a system-call filter; a system unit is also sandboxed (read-only
  // system and home but for the writable folder, CAP_NET_ADMIN its only capability) and loads
  // the account's and the line's credentials saved for it (SystemdCredentialStore.h).
  static std::string UnitFileText(const ServiceDefinition& service, Scope scope);
  // `argument` quoted for ExecStart=: double quotes, C escapes, '%' and '$' doubled.
  static std::string ExecArgument(const std::string& argument);
  // Whether the text of a /proc/PID/cgroup file puts the process inside unit `unit`
  // ("NAME.service"), in cgroup v2 or in v1's name=systemd hierarchy.
  static bool CgroupInUnit(const std::string& cgroupText, const std::string& unit);

 private:
  // systemctl [--user] ARGS...; true when it ran and exited with 0.
  bool Systemctl(std::vector<std::string> args, std::string* output = nullptr) const;
  std::string ActiveState(const std::string& unit) const;
  // The stop of `stop`; returns the last ActiveState seen (empty: it could not be read).
  std::string StopUnit(const std::string& name, std::chrono::milliseconds timeout,
                       const StopPause& pause) const;

  Scope scope_;
  std::chrono::milliseconds timeout_;
  std::filesystem::path unitFolder_;
};

}  // namespace kelbrin::platform
