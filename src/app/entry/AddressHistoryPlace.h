#pragma once

#include <filesystem>
#include <optional>

#include "eventlog/AddressHistory.h"

namespace kelbrin::app {

// The address history file of this process: in the state folder systemd hands the service
// ($STATE_DIRECTORY); for the machine-wide settings (root's, which are the packaged service's)
// in the system service's state folder, so that root's --history reads what the service kept;
// otherwise in the user's state folder. None when no absolute folder can be found.
std::optional<std::filesystem::path> AddressHistoryFile(
    const eventlog::AddressHistory::Environment& environment =
        eventlog::AddressHistory::ProcessEnvironment);

}  // namespace kelbrin::app
