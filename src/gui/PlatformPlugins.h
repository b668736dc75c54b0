#pragma once

#include <set>
#include <string>

namespace kelbrin::gui {

// The keys of the Qt platform plugins installed where this Qt looks for them ("xcb", "wayland",
// "offscreen", …), read from the plugins' metadata without loading them. Callable before the
// application object exists.
std::set<std::string> InstalledPlatformPlugins();

}  // namespace kelbrin::gui
