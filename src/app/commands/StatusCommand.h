#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "platform/bus/BusValue.h"

namespace kelbrin::app {

// --status: exit status when no client answered.
inline constexpr int kExitNoClient = 3;

// The running client's state for a person: the status line ("Online — address A", "Offline —
// reason" …), then the user, the address, the line and its state, the deadline. Text from the
// bus is escaped, so it cannot forge lines of its own.
std::string StatusText(const platform::BusProperties& properties);
// The same as one JSON object: state (name and number), user, address and since when, deadline,
// line and its state, last error, last answer. Times are ISO 8601 UTC, or null.
std::string StatusJson(const platform::BusProperties& properties);

// The running client's properties: from the named bus, else the session bus and then the system
// bus, else the status file the service keeps (where no bus runs, as in a container).
std::optional<platform::BusProperties> FindRunningClient(const std::optional<std::string>& bus);

// --status [--bus system|session] [--json]: prints the running client's state and returns 0, or
// says nobody answered and returns kExitNoClient.
int PrintStatus(const std::optional<std::string>& bus, bool json, std::ostream& out,
                std::ostream& err);

// --health: 0 when a running client is online (logged in, the service answering); otherwise 1
// (kExitNoClient when none runs) with one line on `err` that says why.
int CheckHealth(const std::optional<std::string>& bus, std::ostream& out, std::ostream& err);

}  // namespace kelbrin::app
