#pragma once

#include <filesystem>
#include <map>
#include <ostream>
#include <string>

#include "settings/SettingsBackend.h"

namespace kelbrin::app {

// The account a container hands in (ContainerEnvironment.h): the user name and the password
// read from the secret file.
struct EnvironmentAccount {
  std::string user;
  std::string password;
};

// The settings store with the account taken from the environment: reads of the user name, the
// password and "Save Password" give the account (so the service logs in with it), writes leave
// them out, so the secret never lands in the settings folder and a saved account stays as it
// was. Everything else goes to `store`.
class EnvironmentAccountBackend : public settings::SettingsBackend {
 public:
  EnvironmentAccountBackend(settings::SettingsBackend& store, EnvironmentAccount account);

  std::string ReadValue(const std::string& name) override;
  void WriteValue(const std::string& name, const std::string& text) override;
  void WriteValues(const std::map<std::string, std::string>& values) override;
  bool IsServiceInstalled(const std::string& serviceName) override;
  void SetAutorun(bool enabled) override;

 private:
  settings::SettingsBackend& store_;
  EnvironmentAccount account_;
};

// The password of `file`: its first line, bounded and checked as --password-stdin's line is.
// Empty with one line in `error` when the file cannot be read, is empty or holds no usable line.
std::string ReadPasswordFile(const std::filesystem::path& file, std::string& error);

// --service with KELBRIN_USER: makes the process non-dumpable, reads the password of `file`
// and has the client's settings (RootOptions) give this account from now on; says on `err`
// where the password comes from. Returns 0, or 1 after one line on `err` saying why not.
int UseEnvironmentAccount(std::string user, const std::filesystem::path& file, std::ostream& err);

// The settings store of the running client: the system's, or the one UseEnvironmentAccount set.
settings::SettingsBackend& ClientSettingsBackend();

}  // namespace kelbrin::app
