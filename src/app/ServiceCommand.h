#pragma once

#include <ostream>
#include <string>

#include "runtime/Pace.h"

namespace kelbrin::app {

// --service: the client without a window, as the system service runs it. InitClient in service
// mode, auto-logon with the saved password, the workers; every notification, box and new log
// entry becomes one line on `err` (the journal). SIGTERM or SIGINT ends it: the workers are
// stopped and joined, and the exit status is 0. Uses the process's settings folder.
// The process is made non-dumpable first (it holds the password), and only one service runs per
// settings folder: when another holds it, or the folder is writable by every user, one line on
// `err` says why and the exit status is 1.
int RunService(const runtime::Pace& pace, const std::string& endpoint, std::ostream& err);

}  // namespace kelbrin::app
