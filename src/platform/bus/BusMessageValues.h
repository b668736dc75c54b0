#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/bus/BusService.h"

namespace kelbrin::platform {

// The D-Bus signature of `args` ("ssb", "a(uts)") and their names as sd-bus's vtable takes them
// (each name ends in a NUL).
std::string BusSignatureOf(const std::vector<BusArg>& args);
std::string BusNamesOf(const std::vector<BusArg>& args);

// Appends one argument of `type` ("b", "u", "t", "s", or "a(…)" of those for rows); texts as
// valid UTF-8. -EINVAL when the value is not of that type, another negative errno when the
// message cannot take it.
int AppendBusArg(sd_bus_message* message, const std::string& type, const BusValue& value);
int AppendBusArg(sd_bus_message* message, const std::string& type, const BusRows& rows);
int AppendBusValue(sd_bus_message* message, const BusValue& value);

// Reads the arguments `in` declares from `call`, each text checked against its bound on the
// message's own bytes before it is copied; on a breach, the InvalidArgs text naming the argument.
struct BusArgsRead {
  std::vector<BusValue> values;
  std::optional<std::string> breach;
};
BusArgsRead ReadBusArgs(sd_bus_message* call, const std::vector<BusArg>& in);

}  // namespace kelbrin::platform
