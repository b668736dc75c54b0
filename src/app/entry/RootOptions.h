#pragma once

#include <string>

#include "client/ClientRoot.h"
#include "runtime/Pace.h"

namespace kelbrin::app {

// The composition root's options for a running client (desktop or service): the system's
// settings store (with the environment's account: EnvironmentAccount.h), the address history in the user's (or the service's) state folder, the watch
// of the machine's addresses for the immediate update, and the dial-up setup.
client::ClientOptions RootOptions(const runtime::Pace& pace, const std::string& endpoint);

}  // namespace kelbrin::app
