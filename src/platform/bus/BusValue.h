#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace kelbrin::platform {

// Which message bus: the machine's system bus or the user's session bus.
enum class BusKind { System, Session };

// The basic values the client's bus interface carries: "b", "u" (counts, enums), "t" (times in
// microseconds since the epoch) and "s" (UTF-8 text; other bytes are sent as "\xNN").
using BusValue = std::variant<bool, std::uint32_t, std::uint64_t, std::string>;
using BusProperties = std::map<std::string, BusValue>;

// A method's reply or a signal's argument of the form "a(...)": rows of basic values, each row
// of the same signature.
using BusRow = std::vector<BusValue>;
using BusRows = std::vector<BusRow>;

// The D-Bus type character of a value ('b', 'u', 't' or 's').
char BusTypeOf(const BusValue& value);

}  // namespace kelbrin::platform
