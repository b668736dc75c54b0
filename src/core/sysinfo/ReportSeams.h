#pragma once

#include <functional>
#include <string>

namespace kelbrin::sysinfo {

// The logged-in user's saved credentials, as the reports carry them.
struct ReportAccount {
  std::string UserName;
  std::string UserPwd;
};

// What the system report needs from the rest of the client. Every function may be called from
// the report worker's thread.
struct ReportSeams {
  std::function<ReportAccount()> account;
  // Posts one document to the service; the reply text, empty on any failure.
  std::function<std::string(const std::string& body)> send;
  // The reaction to a failed or refused report (ResultCodeText): 1 for no reply, else the code.
  std::function<void(int code)> resultCode;
};

}  // namespace kelbrin::sysinfo
