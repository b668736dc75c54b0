#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "platform/bus/BusValue.h"
#include "runtime/Pace.h"

namespace kelbrin::app {

// --service: the client without a window, as the system service runs it. InitClient in service
// mode, auto-logon with the saved password, the workers; every notification, box and new log
// entry becomes one line on `err` (the journal). SIGTERM or SIGINT ends it: the workers are
// stopped and joined, and the exit status is 0. Uses the process's settings folder.
// The process is made non-dumpable first (it holds the password), and only one service runs per
// settings folder: when another holds it, or the folder is writable by every user, one line on
// `err` says why and the exit status is 1.
// The client is published on `bus` (ClientBus.h) and served on the service's own loop; a bus out
// of reach or lost is a warning on `err`, and the client goes on without it. Its Quit method
// ends the service like SIGTERM.
int RunService(const runtime::Pace& pace, const std::string& endpoint, platform::BusKind bus,
               std::ostream& err);

// The bus of --service: the one --bus names ("system" or "session"), else the system bus for
// root (the packaged unit) and the session bus for anyone else (a user's own --service).
platform::BusKind ServiceBus(const std::optional<std::string>& bus);

}  // namespace kelbrin::app
