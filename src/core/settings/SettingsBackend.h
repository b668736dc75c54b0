#pragma once

#include <map>
#include <string>

namespace kelbrin::settings {

// What loading and saving the settings record touch outside the program: the settings store,
// the service query and the autostart entry. Tests hand in their own.
class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;

  virtual std::string ReadValue(const std::string& name) = 0;                     // never throws
  virtual void WriteValue(const std::string& name, const std::string& text) = 0;  // SettingsError
  // All of `values` at once (one atomic replace), or none of them: SettingsError.
  virtual void WriteValues(const std::map<std::string, std::string>& values) = 0;
  virtual bool IsServiceInstalled(const std::string& serviceName) = 0;
  virtual void SetAutorun(bool enabled) = 0;
};

// TPubUtil's store, the system's service manager and the desktop autostart entry.
SettingsBackend& SystemSettingsBackend();

}  // namespace kelbrin::settings
