#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace kelbrin::app {

// The service switches of the command line: "INSTALL", "UNINSTALL" and "SILENT", each written
// with a leading '-', '/' or '\' in any letter case ("-install", "/UNINSTALL", "\Silent").
struct ServiceSwitches {
  bool install = false;
  bool uninstall = false;
  bool silent = false;

  // INSTALL or UNINSTALL: the process registers or removes the service and ends.
  bool HasServiceSwitch() const { return install || uninstall; }
};

struct StartupArguments {
  ServiceSwitches switches;
  // Every argument that is not a service switch, in order, for the option parser.
  std::vector<std::string_view> options;
};

// Takes the service switches out of `args` (the arguments after the program name).
StartupArguments SplitStartupArguments(std::span<const std::string_view> args);

}  // namespace kelbrin::app
