#include "platform/bus/BusClient.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>

namespace kelbrin::platform {

namespace {

// One "sv" entry of a GetAll reply, the reply positioned at it; other types than b, u, t and s
// are skipped.
bool ReadEntry(sd_bus_message* reply, BusProperties& properties) {
  const char* name = nullptr;
  char type = 0;
  const char* contents = nullptr;
  if (sd_bus_message_read_basic(reply, 's', &name) <= 0 ||
      sd_bus_message_peek_type(reply, &type, &contents) <= 0 || contents == nullptr) {
    return false;
  }
  const std::string signature = contents;
  if (signature != "b" && signature != "u" && signature != "t" && signature != "s") {
    return sd_bus_message_skip(reply, "v") >= 0;
  }
  if (sd_bus_message_enter_container(reply, 'v', contents) <= 0) return false;
  int read = 0;
  if (signature == "b") {
    int flag = 0;
    read = sd_bus_message_read_basic(reply, 'b', &flag);
    properties[name] = flag != 0;
  } else if (signature == "u") {
    std::uint32_t number = 0;
    read = sd_bus_message_read_basic(reply, 'u', &number);
    properties[name] = number;
  } else if (signature == "t") {
    std::uint64_t number = 0;
    read = sd_bus_message_read_basic(reply, 't', &number);
    properties[name] = number;
  } else {
    const char* text = nullptr;
    read = sd_bus_message_read_basic(reply, 's', &text);
    properties[name] = std::string(text != nullptr ? text : "");
  }
  return read > 0 && sd_bus_message_exit_container(reply) >= 0;
}

// The unique name that owns `busName` now, if its owner may be trusted: on the session bus only
// a connection of this process's own user (another user's process could have taken the name).
std::optional<std::string> TrustedOwner(sd_bus* bus, BusKind kind, const std::string& busName) {
  sd_bus_message* reply = nullptr;
  const char* unique = nullptr;
  std::optional<std::string> owner;
  if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "GetNameOwner", nullptr, &reply, "s",
                         busName.c_str()) >= 0 &&
      sd_bus_message_read_basic(reply, 's', &unique) > 0) {
    owner = unique;
  }
  reply = sd_bus_message_unref(reply);
  if (!owner || kind == BusKind::System) return owner;
  std::uint32_t uid = 0;
  const bool ours = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "GetConnectionUnixUser", nullptr,
                                       &reply, "s", owner->c_str()) >= 0 &&
                    sd_bus_message_read_basic(reply, 'u', &uid) > 0 && uid == geteuid();
  sd_bus_message_unref(reply);
  return ours ? owner : std::nullopt;
}

}  // namespace

std::optional<BusProperties> ReadBusProperties(BusKind kind, const std::string& busName,
                                               const std::string& path,
                                               const std::string& interface) {
  sd_bus* bus = nullptr;
  if ((kind == BusKind::System ? sd_bus_open_system(&bus) : sd_bus_open_user(&bus)) < 0) {
    return std::nullopt;
  }
  // Asked of the owner found, by its unique name: the well-known name could change hands
  // between the check and the question.
  const std::optional<std::string> owner = TrustedOwner(bus, kind, busName);
  sd_bus_message* reply = nullptr;
  std::optional<BusProperties> properties;
  if (owner &&
      sd_bus_call_method(bus, owner->c_str(), path.c_str(), "org.freedesktop.DBus.Properties",
                         "GetAll", nullptr, &reply, "s", interface.c_str()) >= 0 &&
      sd_bus_message_enter_container(reply, 'a', "{sv}") > 0) {
    properties.emplace();
    while (sd_bus_message_enter_container(reply, 'e', "sv") > 0) {
      if (!ReadEntry(reply, *properties) || sd_bus_message_exit_container(reply) < 0) {
        properties.reset();
        break;
      }
    }
  }
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
  return properties;
}

}  // namespace kelbrin::platform
