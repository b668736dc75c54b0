#pragma once

#include <string>

namespace kelbrin::protocol {

// The message of a result code: "Connection failure！" for 1 (no reply), the service's refusals
// for 100, 102 and 110, "Host Information：unknown Error" for every other code.
std::string ResultCodeMessage(int code);

// What the rest of the client does about a failed request. The composition root routes it: code
// 1 to the current network line, every other code to the session. Both calls may come from any
// thread and must hand their work to the controller's thread.
class ResultReactions {
 public:
  virtual ~ResultReactions() = default;
  // Code 1: ask the current network line to log in again (a portal line re-posts its form).
  virtual void AuthenticateLine() = 0;
  // Every other code: disarm auto-logon, show `text` in an error box titled "Error", log out.
  virtual void ShowLastError(const std::string& text) = 0;
};

}  // namespace kelbrin::protocol
