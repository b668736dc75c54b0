#include "settings/SettingsBackend.h"

#include "platform/files/Autostart.h"
#include "platform/systemd/ServiceManager.h"
#include "settings/PubUtil.h"

namespace kelbrin::settings {
namespace {

class SystemBackend : public SettingsBackend {
 public:
  std::string ReadValue(const std::string& name) override { return TPubUtil::ReadRegString(name); }
  void WriteValue(const std::string& name, const std::string& text) override {
    TPubUtil::WriteRegString(name, text);
  }
  void WriteValues(const std::map<std::string, std::string>& values) override {
    TPubUtil::WriteRegStrings(values);
  }
  bool IsServiceInstalled(const std::string& serviceName) override {
    return platform::IsServiceInstalled(serviceName);
  }
  // Like the Run key it replaces, a failure to set the entry is not reported.
  void SetAutorun(bool enabled) override { platform::SetAutorun(enabled); }
};

}  // namespace

SettingsBackend& SystemSettingsBackend() {
  static SystemBackend backend;
  return backend;
}

}  // namespace kelbrin::settings
