#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kelbrin::platform {

// Start with the desktop session: an XDG autostart entry "KelbrinClient.desktop" named and
// iconed as the application, whose Exec is the running executable with the arguments set by
// SetAutostartArguments (the options it was started with). It lives in /etc/xdg/autostart when
// root, else in UserConfigHome()/autostart; SetAutostartFolder points it elsewhere (tests), an
// empty path restores the default.
std::filesystem::path AutostartFolder();
void SetAutostartFolder(std::filesystem::path folder);
std::filesystem::path AutostartEntryPath();

// The full path of the running executable (/proc/self/exe, through ExecutableFromLink).
std::filesystem::path RunningExecutable();
// The executable a /proc/PID/exe link names. A package upgrade replaces the file under a running
// program and the kernel then reads "PATH (deleted)"; when PATH exists again (the new version),
// PATH is the program that units and entries must start.
std::filesystem::path ExecutableFromLink(const std::string& linkTarget);

// The arguments the entry starts the executable with, after it; none until set. The program
// sets them once at start, before any entry is written.
void SetAutostartArguments(std::vector<std::string> arguments);

// `executable` and its `arguments` as the Exec key of a desktop entry: each double-quoted when it
// holds a reserved character, '%' doubled, and the string escapes of desktop-entry values applied.
std::string DesktopExecValue(const std::filesystem::path& executable,
                             const std::vector<std::string>& arguments = {});

// Enabled: writes the entry (atomically) for the running executable, creating the autostart
// folder when missing: that folder is routinely absent on a fresh account, and leaving it so
// would make the option silently do nothing. Disabled: removes the entry if it is there (a
// missing folder stays missing). Returns false when the entry could not be written or removed;
// never throws and shows nothing.
bool SetAutorun(bool enabled);

}  // namespace kelbrin::platform
