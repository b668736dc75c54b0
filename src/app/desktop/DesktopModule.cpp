// The desktop mode of a build with the Qt front-end: loads the front-end's module on demand.
#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "app/desktop/DesktopMode.h"
#include "platform/files/Autostart.h"
#include "runtime/Translate.h"

namespace kelbrin::app {

namespace {

constexpr const char* kModuleName = "kelbrin-desktop.so";

// Beside the executable in a build folder, else where the package installs it.
std::filesystem::path ModulePath() {
  std::error_code error;
  const std::filesystem::path beside = platform::RunningExecutable().parent_path() / kModuleName;
  if (std::filesystem::exists(beside, error)) return beside;
  return std::filesystem::path(KELBRIN_DESKTOP_MODULE_DIR) / kModuleName;
}

}  // namespace

bool HasDesktop() { return true; }

int RunDesktop(const DesktopStart& start, std::ostream& err) {
  const std::filesystem::path path = ModulePath();
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    // A server installs the executable alone; the desktop is a package of its own.
    err << "kelbrin-client: "
        << runtime::Translate(
               "the desktop is not installed (%1): install kelbrin-client-desktop "
               "for the desktop, or use --service or --once (see --help)",
               {path.string()})
        << '\n';
    return 1;
  }
  // Never closed: Qt keeps state until the process ends.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  void* entry = module ? dlsym(module, "KelbrinRunDesktop") : nullptr;
  if (entry == nullptr) {
    err << "kelbrin-client: " << runtime::Translate("cannot load the desktop: %1", {dlerror()})
        << '\n';
    return 1;
  }
  return reinterpret_cast<decltype(&KelbrinRunDesktop)>(entry)(&start, &err);
}

}  // namespace kelbrin::app
