#include "platform/files/ConfigHome.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace kelbrin::platform {
namespace {

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = ::getpwuid(::geteuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/";
}

}  // namespace

bool RunsAsRoot() { return ::geteuid() == 0; }

std::filesystem::path UserConfigHome() {
  // The base-directory rules ignore a relative XDG_CONFIG_HOME.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    return xdg;
  }
  return HomeFolder() / ".config";
}

}  // namespace kelbrin::platform
