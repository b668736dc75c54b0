#pragma once

#include <optional>
#include <string>

#include "platform/bus/BusValue.h"

namespace kelbrin::platform {

// Reads every property of `interface` on `path` from whoever owns `busName` on the bus. None when
// the bus cannot be reached, nobody owns the name, or (on the session bus) the owner runs as
// another user than this process; properties of other types than "b", "u", "t" and "s" are left
// out.
std::optional<BusProperties> ReadBusProperties(BusKind kind, const std::string& busName,
                                               const std::string& path,
                                               const std::string& interface);

}  // namespace kelbrin::platform
