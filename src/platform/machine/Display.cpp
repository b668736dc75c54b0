#include "platform/machine/Display.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <sstream>

namespace kelbrin::platform {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The package of the distribution that holds a platform plugin.
std::string PackageOf(const std::string& plugin) {
  return plugin.starts_with("wayland") ? "qt6-wayland" : "libqt6gui6";
}

bool ContainsGnome(std::string desktops) {
  std::transform(desktops.begin(), desktops.end(), desktops.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return desktops.find("gnome") != std::string::npos;
}

}  // namespace

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* value = std::getenv(name); value != nullptr && *value != '\0') return true;
  }
  return false;
}

SessionDisplays SessionDisplays::FromEnvironment() {
  return {Environment("QT_QPA_PLATFORM"), Environment("WAYLAND_DISPLAY"), Environment("DISPLAY"),
          Environment("XDG_SESSION_TYPE"),
          Environment("XDG_CURRENT_DESKTOP") + ":" + Environment("XDG_SESSION_DESKTOP")};
}

PlatformChoice ChoosePlatform(const SessionDisplays& session,
                              const std::set<std::string>& installed) {
  std::vector<std::string> wanted;
  if (!session.qpaPlatform.empty()) {
    // "name:arguments;name2…"
    std::istringstream entries(session.qpaPlatform);
    for (std::string entry; std::getline(entries, entry, ';');) {
      if (!entry.empty()) wanted.push_back(entry.substr(0, entry.find(':')));
    }
  } else {
    if (!session.x11Display.empty()) wanted.push_back("xcb");
    if (!session.waylandDisplay.empty()) {
      // Qt 6.4 keeps X11 first on GNOME's Wayland session (for its window decorations).
      const bool waylandFirst =
          session.sessionType == "wayland" && !ContainsGnome(session.desktops);
      const auto at = waylandFirst ? wanted.begin() : wanted.end();
      wanted.insert(at, "wayland");
    }
  }

  PlatformChoice choice;
  std::vector<std::string> usable;
  for (const std::string& plugin : wanted) {
    if (installed.contains(plugin)) {
      usable.push_back(plugin);
    } else if (const std::string package = PackageOf(plugin);
               std::find(choice.missingPackages.begin(), choice.missingPackages.end(), package) ==
               choice.missingPackages.end()) {
      choice.missingPackages.push_back(package);
    }
  }
  if (!usable.empty()) {
    choice.missingPackages.clear();
    if (session.qpaPlatform.empty()) {
      for (const std::string& plugin : usable) {
        choice.plugins += (choice.plugins.empty() ? "" : ";") + plugin;
      }
    }
  }
  return choice;
}

}  // namespace kelbrin::platform
