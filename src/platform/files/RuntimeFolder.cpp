#include "platform/files/RuntimeFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace kelbrin::platform {

namespace {
constexpr char kProgramFolder[] = "kelbrin-client";
}  // namespace

std::optional<std::filesystem::path> ProgramRuntimeFolder() {
  if (const char* unit = std::getenv("RUNTIME_DIRECTORY"); unit != nullptr && *unit == '/') {
    // Several folders are separated by ':'; the first is the unit's own.
    const std::string folders = unit;
    return std::filesystem::path(folders.substr(0, folders.find(':')));
  }
  if (const char* user = std::getenv("XDG_RUNTIME_DIR"); user != nullptr && *user == '/') {
    return std::filesystem::path(user) / kProgramFolder;
  }
  if (::geteuid() == 0) return std::filesystem::path("/run") / kProgramFolder;
  return std::nullopt;
}

}  // namespace kelbrin::platform
