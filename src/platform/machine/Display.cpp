#include "platform/machine/Display.h"

#include <cstdlib>
#include <initializer_list>

namespace kelbrin::platform {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* value = std::getenv(name); value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace kelbrin::platform
