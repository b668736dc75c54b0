#pragma once

namespace kelbrin::session {

// What the settings check boxes ask of the session. Controller's thread only.
class SettingsIntents {
 public:
  virtual ~SettingsIntents() = default;
  virtual void SetChkBoxSavePwd(bool checked) = 0;
  virtual void SetChkBoxStartup(bool checked) = 0;
  virtual void SetChkBoxRunAsService(bool checked) = 0;
  virtual void SetSuiCheckBoxUpdateSysInfo(bool checked) = 0;
  // What the controls hold -> the settings record -> the store, then the autostart entry.
  virtual void SaveSettings() = 0;
};

}  // namespace kelbrin::session
