#include "settings/SettingsBackend.h"

#include "platform/files/Autostart.h"
#include "platform/systemd/ServiceManager.h"
#include "settings/PubUtil.h"

namespace kelbrin::settings {
namespace {

class SystemBackend : public SettingsBackend {
 public:
  std::string readValue(const std::string& name) override { return TPubUtil::ReadRegString(name); }
  void writeValue(const std::string& name, const std::string& text) override {
    TPubUtil::WriteRegString(name, text);
  }
  void writeValues(const std::map<std::string, std::string>& values) override {
    TPubUtil::WriteRegStrings(values);
  }
  bool isServiceInstalled(const std::string& serviceName) override {
    return platform::IsServiceInstalled(serviceName);
  }
  // Like the Run key it replaces, a failure to set the entry is not reported.
  void setAutorun(bool enabled) override { platform::SetAutorun(enabled); }
};

}  // namespace

SettingsBackend& SystemSettingsBackend() {
  static SystemBackend backend;
  return backend;
}

}  // namespace kelbrin::settings
