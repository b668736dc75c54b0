#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "runtime/Pace.h"

namespace kelbrin::app {

// The name of the desktop instance: its lock file and socket in the runtime folder are named
// after it.
inline constexpr const char* kInstanceName = "Kelbrin client V6.0";

struct DesktopStart {
  runtime::Pace pace;
  std::string serverUrl;
  // --endpoint, when given: a service installed from the window talks to the same endpoint.
  std::optional<std::string> endpointOverride;
  // The service's own process on a display: no single-instance guard, InitClient in service
  // mode, and the exit action stops the service instead of closing the window.
  bool serviceMode = false;
  // --state-report FILE (see StateReport).
  std::optional<std::filesystem::path> stateReport;
};

// Whether this build has the desktop front-end (KELBRIN_GUI); its module may still be missing
// from an installation (RunDesktop says so).
bool HasDesktop();

// The desktop front-end lives in a module of its own (kelbrin-desktop.so) that RunDesktop loads,
// so the service and the one-shot command never map Qt. The module's entry runs the tray
// application below.
int RunDesktopWindow(const DesktopStart& start, std::ostream& err);

// The tray application: the single-instance guard (a second desktop process that finds it held
// ends at once with 0), the application and the Qt event loop, the session controller with the
// desktop presenter, the hidden main window and InitClient; then the event loop until the exit
// action or SIGTERM/SIGINT. At the end the window goes first (the tray icon with it), then the
// controller stops and joins its workers. Returns the exit status. A build without the desktop
// says so on `err` and returns 1.
int RunDesktop(const DesktopStart& start, std::ostream& err);

}  // namespace kelbrin::app

// The module's entry, looked up by name: RunDesktopWindow.
extern "C" int KelbrinRunDesktop(const kelbrin::app::DesktopStart* start, std::ostream* err);
