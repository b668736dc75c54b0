#include "app/entry/EnvironmentAccount.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>

#include "app/entry/LocaleText.h"
#include "app/entry/PasswordInput.h"
#include "platform/process/NonDumpable.h"
#include "runtime/Translate.h"

namespace kelbrin::app {
namespace {

// The values of the settings record that make up the account.
constexpr const char* kUserName = "UserName";
constexpr const char* kPassword = "UserPwd";
constexpr const char* kSavePassword = "SavePwd";

std::unique_ptr<EnvironmentAccountBackend>& AccountBackend() {
  static std::unique_ptr<EnvironmentAccountBackend> backend;
  return backend;
}

}  // namespace

EnvironmentAccountBackend::EnvironmentAccountBackend(settings::SettingsBackend& store,
                                                     EnvironmentAccount account)
    : store_(store), account_(std::move(account)) {}

std::string EnvironmentAccountBackend::ReadValue(const std::string& name) {
  if (name == kUserName) return account_.user;
  if (name == kPassword) return account_.password;
  // Saved, as far as the session knows: it logs in by itself at start and after a drop.
  if (name == kSavePassword) return "1";
  return store_.ReadValue(name);
}

void EnvironmentAccountBackend::WriteValue(const std::string& name, const std::string& text) {
  WriteValues({{name, text}});
}

void EnvironmentAccountBackend::WriteValues(const std::map<std::string, std::string>& values) {
  std::map<std::string, std::string> rest = values;
  for (const char* name : {kUserName, kPassword, kSavePassword}) rest.erase(name);
  if (!rest.empty()) store_.WriteValues(rest);
}

bool EnvironmentAccountBackend::IsServiceInstalled(const std::string& serviceName) {
  return store_.IsServiceInstalled(serviceName);
}

void EnvironmentAccountBackend::SetAutorun(bool enabled) { store_.SetAutorun(enabled); }

std::string ReadPasswordFile(const std::filesystem::path& file, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  // A folder opens, and reads as empty: a secret mounted as a folder of keys is named wrongly.
  std::error_code ignored;
  const int failure = !in ? errno : std::filesystem::is_directory(file, ignored) ? EISDIR : 0;
  if (failure != 0) {
    error = runtime::Translate("cannot read the password file %1: %2",
                               {file.string(), std::strerror(failure)});
    return {};
  }
  if (in.peek() == std::ifstream::traits_type::eof()) {
    error = runtime::Translate("the password file %1 is empty", {file.string()});
    return {};
  }
  PasswordLine line = ReadPasswordLine(in, -1);
  if (!line.error.empty()) error = file.string() + ": " + line.error;
  return std::move(line.password);
}

int UseEnvironmentAccount(std::string user, const std::filesystem::path& file, std::ostream& err) {
  try {
    platform::MakeNotDumpable();  // the password is about to be read
  } catch (const std::exception& failure) {
    err << "kelbrin-client: " << failure.what() << '\n';
    return 1;
  }
  std::string error;
  std::optional<std::string> password = ReadPasswordFile(file, error);
  std::optional<std::string> name = std::move(user);
  if (error.empty()) error = FromLocale(name, "KELBRIN_USER");
  if (error.empty()) error = FromLocale(password, "KELBRIN_PASSWORD_FILE");
  if (!error.empty()) {
    err << "kelbrin-client: " << error << '\n';
    return 1;
  }
  AccountBackend() = std::make_unique<EnvironmentAccountBackend>(
      settings::SystemSettingsBackend(),
      EnvironmentAccount{std::move(*name), std::move(*password)});
  err << "kelbrin-client: "
      << runtime::Translate("%1 is kept in %2", {runtime::Translate("The password"), file.string()})
      << '\n';
  return 0;
}

settings::SettingsBackend& ClientSettingsBackend() {
  if (AccountBackend()) return *AccountBackend();
  return settings::SystemSettingsBackend();
}

}  // namespace kelbrin::app
