#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "protocol/PelmarClient.h"

namespace kelbrin::app {

// Exit statuses of the one-shot command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;      // the service refused, or the input was unusable
inline constexpr int kExitUnreachable = 2;  // the service could not be reached
inline constexpr int kExitNotSaved = 3;     // logged in, but --save could not store the settings

struct OnceRequest {
  // Given on the command line; otherwise the saved ones from the settings store.
  std::optional<std::string> user;
  std::optional<std::string> password;
  // Store the credentials with "Save Password" on after a successful login.
  bool save = false;
};

// --once: logs in, sends one active test, fetches the service list and prints the account, the
// public address and the domains to `out`; failures go to `err` as one line each. Every exchange
// goes through `client`. Returns one of the exit statuses above. With --save, a login that
// worked but could not be stored ends with kExitNotSaved after the rest has been shown.
int RunOnce(const OnceRequest& request, protocol::PelmarClient& client, std::ostream& out,
            std::ostream& err);

}  // namespace kelbrin::app
