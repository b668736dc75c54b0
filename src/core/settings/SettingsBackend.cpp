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

// The settings store, with the account's and the line's passwords routed to their secret stores
// (SavedPassword.h).
class SystemBackend : public SettingsBackend {
 public:
  std::string ReadValue(const std::string& name) override {
    std::string text = TPubUtil::ReadRegString(name);
    for (SavedPassword* password : {&account_, &line_}) {
      if (name != password->Value().name) continue;
      return password->Read(TPubUtil::ReadRegString(password->Value().userName), text,
                            SettingsFile().string());
    }
    return text;
  }
  void WriteValue(const std::string& name, const std::string& text) override {
    WriteValues({{name, text}});
  }
  // Each password leaves the values for its store in turn; the file is written once.
  void WriteValues(const std::map<std::string, std::string>& values) override {
    const std::string file = SettingsFile().string();
    const auto writeFile = [](const SavedPassword::Values& filed) {
      TPubUtil::WriteRegStrings(filed);
    };
    account_.Write(
        values, TPubUtil::ReadRegString(kAccountPassword.userName),
        [&](const SavedPassword::Values& rest) {
          line_.Write(rest, TPubUtil::ReadRegString(kLinePassword.userName), writeFile, file);
        },
        file);
  }
  bool IsServiceInstalled(const std::string& serviceName) override {
    return platform::IsServiceInstalled(serviceName);
  }
  // A failure to write or remove the XDG autostart entry is not reported.
  void SetAutorun(bool enabled) override { platform::SetAutorun(enabled); }

 private:
  SavedPassword account_{kAccountPassword,
                         [] { return SecretStoreForSettings(platform::SecretKind::Account); },
                         LogToStandardError};
  SavedPassword line_{kLinePassword,
                      [] { return SecretStoreForSettings(platform::SecretKind::Line); },
                      LogToStandardError};
};

}  // namespace

SettingsBackend& SystemSettingsBackend() {
  static SystemBackend backend;
  return backend;
}

}  // namespace kelbrin::settings
