#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

#include "app/entry/ClientMain.h"
#include "app/entry/InitReaper.h"
#include "platform/files/Autostart.h"
#include "runtime/Translate.h"

int main(int argc, char** argv) {
  // First, before any thread starts: a fork copies only the calling thread.
  if (const std::optional<int> status = kelbrin::app::BecomeInitWhenPid1()) return *status;
  // The messages language and the character set follow the environment; numbers and dates keep
  // the program's own formats.
  std::setlocale(LC_CTYPE, "");
  std::setlocale(LC_MESSAGES, "");
  // The catalogs sit in share/locale beside the executable's folder, installed or in the build.
  const std::filesystem::path executable = kelbrin::platform::RunningExecutable();
  if (!executable.empty()) {
    kelbrin::runtime::UseCatalogs(executable.parent_path().parent_path() / "share" / "locale");
  }
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return kelbrin::app::RunClient(args, std::cin, STDIN_FILENO, std::cout, std::cerr);
}
