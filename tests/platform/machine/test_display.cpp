// Which Qt platform plugins the desktop starts with, from the session and what is installed.
#include <gtest/gtest.h>

#include "platform/machine/Display.h"

namespace kelbrin::platform {
namespace {

TEST(ChoosePlatform, TakesTheInstalledPluginsOfTheDisplaysPresent) {
  const std::set<std::string> both{"xcb", "wayland", "wayland-egl", "offscreen", ""};
  const std::set<std::string> noWayland{"xcb", "offscreen"};
  const struct {
    const char* what;
    SessionDisplays session;
    std::set<std::string> installed;
    std::string plugins;
    std::vector<std::string> missing;
  } cases[] = {
      {"X11 only", {"", "", ":0", "x11", ""}, both, "xcb", {}},
      {"pure Wayland", {"", "wayland-0", "", "", ""}, both, "wayland", {}},
      {"pure Wayland, no Wayland plugin",
       {"", "wayland-0", "", "wayland", ""},
       noWayland,
       "",
       {"qt6-wayland"}},
      {"Wayland session with XWayland",
       {"", "wayland-0", ":0", "wayland", ""},
       both,
       "wayland;xcb",
       {}},
      {"GNOME's Wayland session with XWayland",
       {"", "wayland-0", ":0", "wayland", "GNOME:gnome"},
       both,
       "xcb;wayland",
       {}},
      {"Wayland display in an X11 session",
       {"", "wayland-0", ":0", "x11", ""},
       both,
       "xcb;wayland",
       {}},
      {"Wayland session, only the X11 plugin",
       {"", "wayland-0", ":0", "wayland", ""},
       noWayland,
       "xcb",
       {}},
      {"chosen by hand and installed", {"offscreen", "", "", "", ""}, noWayland, "", {}},
      {"chosen by hand with arguments and fallback",
       {"wayland:a=b;xcb", "", ":0", "", ""},
       noWayland,
       "",
       {}},
      {"chosen by hand, not installed",
       {"wayland-egl", "", "", "", ""},
       noWayland,
       "",
       {"qt6-wayland"}},
      {"chosen by hand, none installed",
       {"wayland;vnc", "", "", "", ""},
       {},
       "",
       {"qt6-wayland", "libqt6gui6"}},
  };
  for (const auto& c : cases) {
    const PlatformChoice choice = ChoosePlatform(c.session, c.installed);
    EXPECT_EQ(choice.plugins, c.plugins) << c.what;
    EXPECT_EQ(choice.missingPackages, c.missing) << c.what;
  }
}

}  // namespace
}  // namespace kelbrin::platform
