#pragma once

#include <string>

namespace kelbrin::protocol {

// What the rest of the client does about a failed request. The session controller implements it
// and hands both calls to its own thread; the protocol layer never touches the window or the
// session itself.
class ResultReactions {
 public:
  virtual ~ResultReactions() = default;
  // Code 1: ask the current network line to log in again (a portal line re-posts its form).
  virtual void AuthenticateLine() = 0;
  // Every other code: disarm auto-logon, show `text` in an error box titled "Error", log out.
  virtual void ShowLastError(const std::string& text) = 0;
};

// Installed once by the session controller; nullptr means nobody reacts (the one-shot command).
void SetResultReactions(ResultReactions* reactions);

// Records `code` and its message as LastResultCode/LastErrorText, then reacts: code 1 asks the
// line to authenticate, every other code goes to ShowLastError. Safe from any thread.
void ResultCodeText(int code);

int LastResultCode();
std::string LastErrorText();

}  // namespace kelbrin::protocol
