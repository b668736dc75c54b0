#pragma once

#include <set>
#include <string>
#include <vector>

namespace kelbrin::platform {

// True when a window can be shown: an X11 or Wayland display, or a Qt platform plugin chosen
// explicitly (offscreen in tests).
bool HasDisplay();

// What the session offers Qt to show windows on.
struct SessionDisplays {
  std::string qpaPlatform;     // QT_QPA_PLATFORM: the plugins chosen by hand ("wayland;xcb")
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string x11Display;      // DISPLAY
  std::string sessionType;     // XDG_SESSION_TYPE: "wayland", "x11", …
  std::string desktops;        // XDG_CURRENT_DESKTOP and XDG_SESSION_DESKTOP: "GNOME", "KDE", …
  static SessionDisplays FromEnvironment();
};

// The Qt platform plugins to start with. Qt aborts when the one it tries does not load, so they
// are chosen beforehand among the plugins installed (`installed`: their keys, "xcb", "wayland",
// "offscreen", …): those QT_QPA_PLATFORM names, else those of the displays present, in the order
// this Qt prefers them (Wayland's first in a Wayland session other than GNOME's, X11's first
// otherwise).
struct PlatformChoice {
  // For Qt's -platform ("wayland;xcb"); empty when QT_QPA_PLATFORM names them (Qt reads it) or
  // when none is installed.
  std::string plugins;
  // When none is installed: the Debian packages that hold the plugins wanted, one of which is to
  // be installed.
  std::vector<std::string> missingPackages;
};
PlatformChoice ChoosePlatform(const SessionDisplays& session,
                              const std::set<std::string>& installed);

}  // namespace kelbrin::platform
