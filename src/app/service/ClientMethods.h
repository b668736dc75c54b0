#pragma once

#include <functional>
#include <vector>

#include "client/ClientRoot.h"
#include "platform/bus/BusService.h"

namespace kelbrin::app {

// The methods of net.kelbrin.Client1 over `root`: each argument bounded, each change guarded by
// its polkit action, each refusal a named error. `quit` ends the client. With `readOnly` only the
// methods that change nothing.
std::vector<platform::BusMethod> ClientMethods(client::ClientRoot& root, std::function<void()> quit,
                                               bool readOnly);

}  // namespace kelbrin::app
