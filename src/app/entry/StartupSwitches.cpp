#include "app/entry/StartupSwitches.h"

#include <algorithm>
#include <cctype>

namespace kelbrin::app {
namespace {

constexpr std::string_view kPrefixes = "-/\\";

bool EqualsIgnoringCase(std::string_view text, std::string_view upper) {
  return std::equal(text.begin(), text.end(), upper.begin(), upper.end(), [](char a, char b) {
    return std::toupper(static_cast<unsigned char>(a)) == b;
  });
}

// The switch `name` (upper case) with one prefix character.
bool IsSwitch(std::string_view arg, std::string_view name) {
  return arg.size() > 1 && kPrefixes.find(arg.front()) != std::string_view::npos &&
         EqualsIgnoringCase(arg.substr(1), name);
}

}  // namespace

StartupArguments SplitStartupArguments(std::span<const std::string_view> args) {
  StartupArguments result;
  for (const std::string_view arg : args) {
    if (IsSwitch(arg, "INSTALL")) {
      result.switches.install = true;
    } else if (IsSwitch(arg, "UNINSTALL")) {
      result.switches.uninstall = true;
    } else if (IsSwitch(arg, "SILENT")) {
      result.switches.silent = true;
    } else {
      result.options.push_back(arg);
    }
  }
  return result;
}

}  // namespace kelbrin::app
