#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace kelbrin::settings {

inline constexpr const char* kDefaultPortalProbeUrl = "http://www.example.com/";

// The settings record; field names are those of the stored values.
struct TParamInfo {
  std::string UserName{};
  std::string UserPwd{};
  bool SavePwd = false;           // remember the password and log in by itself at start-up
  bool AutoRunAsOSStart = false;  // start with the desktop session
  bool AsService = false;         // the client's service is installed
  std::string LineUserName{};
  std::string LineUserPwd{};
  std::int32_t InternalLineType = 0;  // index into the line-type list
  std::string LineName{};             // dial-up connection name
  bool AutoConn = false;              // keep the line connected automatically
  bool UpdateSysInfo = false;         // submit the system information report
  // A public web page whose request a captive portal intercepts with its login form.
  std::string PortalProbeUrl = kDefaultPortalProbeUrl;
  // Test the public address at once when a local address or the default route changes; read
  // only (set by hand in the store), on unless stored otherwise.
  bool ImmediateUpdate = true;

  bool operator==(const TParamInfo&) const = default;
};

// The one record of the run (the described `ParamInfo`), owned by the composition root. The
// controller replaces it; workers take a copy, so no reader ever sees a half-written string.
class ParamInfoStore {
 public:
  TParamInfo Snapshot() const;
  void Update(const TParamInfo& record);

 private:
  mutable std::mutex lock_;
  TParamInfo record_;
};

}  // namespace kelbrin::settings
