#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kelbrin::platform {

// What install registers: the service's name, the text the manager shows for it, the command it
// runs (full path of the executable first), the account it runs as (empty: the manager's
// default account), the one folder it may write to (its settings; empty: none), the name of the
// folder the manager keeps for the service's state (empty: none), and whether a hang-up signal
// makes the service read its settings again (the manager's reload).
struct ServiceDefinition {
  std::string name;
  std::string displayName;
  std::vector<std::string> command;
  std::string user;
  std::filesystem::path writableFolder;
  std::string stateFolder;
  bool reloadsOnHangUp = false;
};

// Waits `pause` and says whether to go on waiting afterwards (false: the waiter was cancelled).
using StopPause = std::function<bool(std::chrono::milliseconds pause)>;

// The system's background-service manager, as far as the client needs it. The Linux backend is
// SystemdServiceManager; another platform plugs in its own.
class ServiceManager {
 public:
  virtual ~ServiceManager() = default;

  // Whether a service of this name is installed: known to the manager and set to start at boot.
  // False when it is not, and also when the manager cannot be asked at all (none on this
  // machine, not reachable).
  virtual bool IsInstalled(const std::string& name) = 0;

  // Registers the service so that it starts with the machine (it is not started now). False,
  // with the reason in `error`, when that failed.
  virtual bool Install(const ServiceDefinition& service, std::string& error) = 0;
  // Removes the service's registration. False, with the reason in `error`, when that failed.
  virtual bool Uninstall(const std::string& name, std::string& error) = 0;

  // Asks the manager to stop the service and waits until it has stopped, at most `timeout`,
  // checking again after each `pause`. True when the last state seen is stopped.
  virtual bool Stop(const std::string& name, std::chrono::milliseconds timeout,
                    const StopPause& pause) = 0;

  // Whether this process is the service `name`, as started by the manager.
  virtual bool RunsAs(const std::string& name) = 0;
};

// The manager of this machine: systemd, the system instance when root, else the user's.
ServiceManager& SystemServiceManager();

// Whether the service is installed for this user: in the manager of SystemServiceManager() or,
// for a user who is not root, in the machine-wide (system) manager, where an install made with
// administrator rights on the user's behalf puts it.
bool IsServiceInstalled(const std::string& name);

}  // namespace kelbrin::platform
