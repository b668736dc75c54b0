#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

#include "PrivateBus.h"
#include "platform/bus/BusService.h"

namespace kelbrin::test {

// Runs `calls` in a forked child with a bus connection of its own to `address`, made as `uid`
// when given (the bus then knows the caller by that uid), while this thread serves `service`.
// What `calls` returns comes back through a pipe; a child that fails says why instead. The
// child's memory is its own: what the service keeps shows in this process alone.
std::string CallWhileServing(platform::BusService& service, const std::string& address,
                             std::optional<uid_t> uid,
                             const std::function<std::string(BusProbe&)>& calls);

}  // namespace kelbrin::test
