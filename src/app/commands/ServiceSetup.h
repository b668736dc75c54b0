#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "app/entry/CommandLine.h"
#include "app/entry/StartupSwitches.h"
#include "platform/systemd/ServiceManager.h"

namespace kelbrin::app {

inline constexpr const char* kServiceName = "PROKelbrinService";
inline constexpr const char* kServiceDisplayName = "Kelbrin V6.0 Service";
// The folder systemd keeps for the service's state (the address history): below /var/lib for
// the system unit.
inline constexpr const char* kServiceStateFolder = "kelbrin-client";
inline constexpr const char* kSystemStateRoot = "/var/lib";

// The client's service: this executable with --service, the settings folder of the user it is
// installed for (so the saved credentials carry over), the endpoint when one was given, and the
// account to run as (empty: the manager's default); its state folder, and a reload that reads
// the settings again.
platform::ServiceDefinition KelbrinServiceDefinition(const std::filesystem::path& executable,
                                                     const std::filesystem::path& configRoot,
                                                     const std::optional<std::string>& endpoint,
                                                     const std::string& user);

// The process started with INSTALL or UNINSTALL (INSTALL wins when both are given): registers or
// removes the service and returns the exit status, 0 when it worked. When root runs it on behalf
// of a user (pkexec, sudo), the service runs as that user and, unless --config-root was given,
// with that user's settings folder. Without SILENT the outcome is also written out (success on
// `out`, failure on `err`). `options` must have been applied (settings folder, endpoint).
int RunServiceSetup(const ServiceSwitches& switches, const Options& options,
                    platform::ServiceManager& manager, std::ostream& out, std::ostream& err);

}  // namespace kelbrin::app
