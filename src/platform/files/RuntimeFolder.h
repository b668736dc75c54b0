#pragma once

#include <filesystem>
#include <optional>

namespace kelbrin::platform {

// The program's private runtime folder (0700: the dial's password files and the service's
// status file live there): the first of $RUNTIME_DIRECTORY, as systemd's RuntimeDirectory= hands
// it over; $XDG_RUNTIME_DIR/kelbrin-client (a login session's, root's too); /run/kelbrin-client
// for root; none otherwise.
std::optional<std::filesystem::path> ProgramRuntimeFolder();

}  // namespace kelbrin::platform
