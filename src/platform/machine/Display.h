#pragma once

namespace kelbrin::platform {

// True when a window can be shown: an X11 or Wayland display, or a Qt platform plugin chosen
// explicitly (offscreen in tests).
bool HasDisplay();

}  // namespace kelbrin::platform
