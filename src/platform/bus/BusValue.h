#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace kelbrin::platform {

// Which message bus: the machine's system bus or the user's session bus.
enum class BusKind { System, Session };

// The values the client's bus interface carries: booleans ("b"), integers ("i"), texts ("s").
using BusValue = std::variant<bool, std::int32_t, std::string>;
using BusProperties = std::map<std::string, BusValue>;

}  // namespace kelbrin::platform
