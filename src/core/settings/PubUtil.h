#pragma once

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

namespace kelbrin::settings {

// A value could not be written (no rights, full disk, ...). Values written before stay written.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the settings store lives: machine-wide (/etc/kelbrin-client) when root, else
// $XDG_CONFIG_HOME/kelbrin-client. `--config-root DIR` and the tests point it anywhere.
void SetConfigRoot(std::filesystem::path dir);
std::filesystem::path ConfigRoot();
// The machine-wide folder, where root keeps the settings of the system service.
std::filesystem::path MachineConfigRoot();
// Whether ConfigRoot() is the machine-wide folder (however it is written).
bool UsesMachineSettings();
// The settings store's file in ConfigRoot().
std::filesystem::path SettingsFile();
// `text` less the blanks and control characters a read drops at both ends.
std::string TrimSettingText(const std::string& text);

// The settings store's two operations; class-level only, as every caller uses them.
class TPubUtil {
 public:
  TPubUtil() = delete;

  // The stored value with leading and trailing blanks and control characters removed; the empty
  // string when the value, the store or its folder is missing or unreadable. Never throws.
  static std::string ReadRegString(const std::string& name);

  // Stores `text` untrimmed under `name`, creating the store when missing. The store file is
  // replaced atomically (written beside, synced, renamed; mode 0600). Throws SettingsError.
  static void WriteRegString(const std::string& name, const std::string& text);

  // Stores every value of `values` untrimmed in one atomic replace of the store: a record that
  // belongs together (user name, password, save flag) is never seen or left half written.
  // Throws SettingsError; nothing is written then.
  static void WriteRegStrings(const std::map<std::string, std::string>& values);
};

}  // namespace kelbrin::settings
