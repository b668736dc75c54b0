#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "platform/bus/BusValue.h"

namespace kelbrin::app {

// --status: exit status when no client answered on the bus.
inline constexpr int kExitNoClient = 3;

// The running client's state for a person: "Online — address A" or "Offline — reason", then the
// user, the address, the line and its state, the deadline. Text from the bus is escaped, so it
// cannot forge lines of its own.
std::string StatusText(const platform::BusProperties& properties);

// --status [--bus system|session]: asks the named bus, else the session bus and then the system
// bus, for the client; prints its state and returns 0, or says nobody answered and returns
// kExitNoClient.
int PrintStatus(const std::optional<std::string>& bus, std::ostream& out, std::ostream& err);

}  // namespace kelbrin::app
