#pragma once

#include <filesystem>

namespace kelbrin::platform {

// Whether the process runs with the effective user id 0 (settings and autostart then go to the
// machine-wide places).
bool RunsAsRoot();

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config (the home folder from the password database when HOME is unset).
std::filesystem::path UserConfigHome();

}  // namespace kelbrin::platform
