#include "platform/bus/BusClient.h"

#include <systemd/sd-bus.h>

namespace kelbrin::platform {

namespace {

// One "sv" entry of a GetAll reply, the reply positioned at it.
bool ReadEntry(sd_bus_message* reply, BusProperties& properties) {
  const char* name = nullptr;
  if (sd_bus_message_read_basic(reply, 's', &name) <= 0) return false;
  char type = 0;
  const char* contents = nullptr;
  if (sd_bus_message_peek_type(reply, &type, &contents) <= 0 || contents == nullptr) return false;
  const std::string signature = contents;
  if (signature != "b" && signature != "i" && signature != "s") {
    return sd_bus_message_skip(reply, "v") >= 0;
  }
  if (sd_bus_message_enter_container(reply, 'v', contents) <= 0) return false;
  int flag = 0;
  std::int32_t number = 0;
  const char* text = nullptr;
  bool read = false;
  if (signature == "b") {
    read = sd_bus_message_read_basic(reply, 'b', &flag) > 0;
    properties[name] = flag != 0;
  } else if (signature == "i") {
    read = sd_bus_message_read_basic(reply, 'i', &number) > 0;
    properties[name] = number;
  } else {
    read = sd_bus_message_read_basic(reply, 's', &text) > 0;
    properties[name] = std::string(text != nullptr ? text : "");
  }
  return read && sd_bus_message_exit_container(reply) >= 0;
}

}  // namespace

std::optional<BusProperties> ReadBusProperties(BusKind kind, const std::string& busName,
                                               const std::string& path,
                                               const std::string& interface) {
  sd_bus* bus = nullptr;
  if ((kind == BusKind::System ? sd_bus_open_system(&bus) : sd_bus_open_user(&bus)) < 0) {
    return std::nullopt;
  }
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  std::optional<BusProperties> properties;
  if (sd_bus_call_method(bus, busName.c_str(), path.c_str(), "org.freedesktop.DBus.Properties",
                         "GetAll", &error, &reply, "s", interface.c_str()) >= 0 &&
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
  sd_bus_error_free(&error);
  sd_bus_flush_close_unref(bus);
  return properties;
}

}  // namespace kelbrin::platform
