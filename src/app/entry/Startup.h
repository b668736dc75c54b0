#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "app/entry/CommandLine.h"
#include "app/entry/StartupSwitches.h"
#include "runtime/Pace.h"

namespace kelbrin::app {

// What the start-up needs from the command line, once the options have been applied.
struct StartRequest {
  ServiceSwitches switches;
  Options options;
  // --service: the headless service as the unit starts it.
  bool service = false;
  runtime::Pace pace;
  std::string serverUrl;
  std::optional<std::filesystem::path> stateReport;
};

// The process start, in this order: with INSTALL or UNINSTALL, the service setup and nothing
// else; otherwise a running desktop instance is asked to show itself, and when it answers this
// process ends with 0 at once; then service mode (--service, or this process runs as the
// client's service: headless, or with its window when the service has a display and was not
// told --service) or desktop mode. Returns the exit status.
int RunStartup(const StartRequest& request, std::ostream& out, std::ostream& err);

}  // namespace kelbrin::app
