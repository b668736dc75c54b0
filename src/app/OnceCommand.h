#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace kelbrin::app {

// Exit statuses of the one-shot command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;      // the service refused, or the input was unusable
inline constexpr int kExitUnreachable = 2;  // the service could not be reached

struct OnceRequest {
  // Given on the command line; otherwise the saved ones from the settings store.
  std::optional<std::string> user;
  std::optional<std::string> password;
  // Store the credentials with "Save Password" on after a successful login.
  bool save = false;
};

// --once: logs in, sends one active test, fetches the service list and prints the account, the
// public address and the domains to `out`; failures go to `err` as one line each. Uses the
// process's transport settings (ServerUrl, time-outs). Returns one of the exit statuses above.
int RunOnce(const OnceRequest& request, std::ostream& out, std::ostream& err);

}  // namespace kelbrin::app
