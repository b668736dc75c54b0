#include "platform/bus/BusMessageValues.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "platform/bus/BusText.h"

namespace kelbrin::platform {

namespace {

// One row of `rowTypes` ("uts"): one value per type, each of its type.
int AppendRow(sd_bus_message* message, const std::string& rowTypes, const BusRow& row) {
  if (row.size() != rowTypes.size()) return -EINVAL;
  int result = sd_bus_message_open_container(message, 'r', rowTypes.c_str());
  for (std::size_t i = 0; result >= 0 && i < row.size(); ++i) {
    result = BusTypeOf(row[i]) == rowTypes[i] ? AppendBusValue(message, row[i]) : -EINVAL;
  }
  return result < 0 ? result : sd_bus_message_close_container(message);
}

// One basic value of `type` from `call`; a text only as a view of the message's bytes.
using RawValue = std::variant<bool, std::uint32_t, std::uint64_t, std::string_view>;
int ReadRaw(sd_bus_message* call, char type, RawValue& value) {
  int result = -EINVAL;
  if (type == 'b') {
    int flag = 0;
    result = sd_bus_message_read_basic(call, 'b', &flag);
    value = flag != 0;
  } else if (type == 'u') {
    std::uint32_t number = 0;
    result = sd_bus_message_read_basic(call, 'u', &number);
    value = number;
  } else if (type == 't') {
    std::uint64_t number = 0;
    result = sd_bus_message_read_basic(call, 't', &number);
    value = number;
  } else if (type == 's') {
    const char* text = nullptr;
    result = sd_bus_message_read_basic(call, 's', &text);
    value = std::string_view(text != nullptr ? text : "");
  }
  return result;
}

}  // namespace

std::string BusSignatureOf(const std::vector<BusArg>& args) {
  std::string signature;
  for (const BusArg& arg : args) signature += arg.type;
  return signature;
}

std::string BusNamesOf(const std::vector<BusArg>& args) {
  std::string names;
  for (const BusArg& arg : args) names.append(arg.name).push_back('\0');
  return names;
}

int AppendBusValue(sd_bus_message* message, const BusValue& value) {
  return std::visit(
      [message](const auto& held) {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, bool>) {
          const int flag = held ? 1 : 0;
          return sd_bus_message_append_basic(message, 'b', &flag);
        } else if constexpr (std::is_same_v<Held, std::string>) {
          return sd_bus_message_append_basic(message, 's', BusSafeText(held).c_str());
        } else {
          return sd_bus_message_append_basic(message, sizeof(Held) == 4 ? 'u' : 't', &held);
        }
      },
      value);
}

int AppendBusArg(sd_bus_message* message, const std::string& type, const BusValue& value) {
  if (type.size() != 1 || type[0] != BusTypeOf(value)) return -EINVAL;
  return AppendBusValue(message, value);
}

int AppendBusArg(sd_bus_message* message, const std::string& type, const BusRows& rows) {
  // "a(uts)": the row's types between the parentheses.
  if (type.size() < 4 || type.compare(0, 2, "a(") != 0 || type.back() != ')') return -EINVAL;
  const std::string rowTypes = type.substr(2, type.size() - 3);
  int result = sd_bus_message_open_container(message, 'a', type.c_str() + 1);
  for (std::size_t i = 0; result >= 0 && i < rows.size(); ++i) {
    result = AppendRow(message, rowTypes, rows[i]);
  }
  return result < 0 ? result : sd_bus_message_close_container(message);
}

BusArgsRead ReadBusArgs(sd_bus_message* call, const std::vector<BusArg>& in) {
  BusArgsRead read;
  for (const BusArg& arg : in) {
    RawValue raw;
    if (arg.type.size() != 1 || ReadRaw(call, arg.type[0], raw) <= 0) {
      read.breach = "Argument " + arg.name + ": cannot be read as \"" + arg.type + "\"";
      break;
    }
    if (const auto* text = std::get_if<std::string_view>(&raw)) {
      if (auto breach = BusTextBreach(*text, arg.bound)) {
        read.breach = "Argument " + arg.name + ": " + *breach;
        break;
      }
    }
    read.values.push_back(std::visit(
        [](const auto& held) -> BusValue {
          if constexpr (std::is_same_v<std::decay_t<decltype(held)>, std::string_view>) {
            return std::string(held);  // checked: now it may be copied
          } else {
            return held;
          }
        },
        raw));
  }
  if (read.breach) read.values.clear();
  return read;
}

}  // namespace kelbrin::platform
