#include "settings/SettingsBackend.h"

#include <iostream>

#include "platform/files/Autostart.h"
#include "platform/systemd/JournalStream.h"
#include "platform/systemd/ServiceManager.h"
#include "settings/PubUtil.h"
#include "settings/SavedPassword.h"

namespace kelbrin::settings {
namespace {

// Under systemd the line carries its priority, as the service's other lines do.
void LogToStandardError(const std::string& line) {
  std::cerr << (platform::StandardErrorIsJournal() ? "<5>" : "") << "kelbrin-client: " << line
            << '\n';
}

// The settings store, with the account password routed to its secret store (SavedPassword.h).
class SystemBackend : public SettingsBackend {
 public:
  std::string ReadValue(const std::string& name) override {
    std::string text = TPubUtil::ReadRegString(name);
    if (name != kPasswordName) return text;
    return password_.Read(TPubUtil::ReadRegString(kUserName), text, SettingsFile().string());
  }
  void WriteValue(const std::string& name, const std::string& text) override {
    WriteValues({{name, text}});
  }
  void WriteValues(const std::map<std::string, std::string>& values) override {
    password_.Write(
        values, TPubUtil::ReadRegString(kUserName),
        [](const SavedPassword::Values& filed) { TPubUtil::WriteRegStrings(filed); },
        SettingsFile().string());
  }
  bool IsServiceInstalled(const std::string& serviceName) override {
    return platform::IsServiceInstalled(serviceName);
  }
  // Like the Run key it replaces, a failure to set the entry is not reported.
  void SetAutorun(bool enabled) override { platform::SetAutorun(enabled); }

 private:
  static constexpr char kPasswordName[] = "UserPwd";
  static constexpr char kUserName[] = "UserName";

  SavedPassword password_{SecretStoreForSettings, LogToStandardError};
};

}  // namespace

SettingsBackend& SystemSettingsBackend() {
  static SystemBackend backend;
  return backend;
}

}  // namespace kelbrin::settings
