#include "StandInAuthority.h"

#include <systemd/sd-bus.h>

namespace kelbrin::test {

namespace {

int Check(sd_bus_message* call, void* self, sd_bus_error* error);

const sd_bus_vtable kAuthority[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("CheckAuthorization", "(sa{sv})sa{ss}us", "(bba{ss})", Check,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

// The subject "(KIND, {name: <s NAME>, …})" as "KIND NAME".
std::string ReadSubject(sd_bus_message* call) {
  const char* kind = nullptr;
  std::string name;
  sd_bus_message_enter_container(call, 'r', "sa{sv}");
  sd_bus_message_read_basic(call, 's', &kind);
  sd_bus_message_enter_container(call, 'a', "{sv}");
  while (sd_bus_message_enter_container(call, 'e', "sv") > 0) {
    const char* key = nullptr;
    sd_bus_message_read_basic(call, 's', &key);
    if (std::string(key) == "name" && sd_bus_message_enter_container(call, 'v', "s") > 0) {
      const char* value = nullptr;
      sd_bus_message_read_basic(call, 's', &value);
      name = value;
      sd_bus_message_exit_container(call);
    } else {
      sd_bus_message_skip(call, "v");
    }
    sd_bus_message_exit_container(call);
  }
  sd_bus_message_exit_container(call);
  sd_bus_message_exit_container(call);
  return std::string(kind != nullptr ? kind : "") + " " + name;
}

int Check(sd_bus_message* call, void* self, sd_bus_error*) {
  const std::string subject = ReadSubject(call);
  const char* action = nullptr;
  sd_bus_message_read_basic(call, 's', &action);
  const bool allowed = static_cast<StandInAuthority*>(self)->Decide(subject, action);
  return sd_bus_reply_method_return(call, "(bba{ss})", allowed ? 1 : 0, 0, 0);
}

}  // namespace

StandInAuthority::StandInAuthority(const std::string& address)
    : connection_(address, "the stand-in authority", [this](sd_bus* bus) {
        return sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/PolicyKit1/Authority",
                                        "org.freedesktop.PolicyKit1.Authority", kAuthority,
                                        this) >= 0 &&
               sd_bus_request_name(bus, "org.freedesktop.PolicyKit1", 0) >= 0;
      }) {}

bool StandInAuthority::Decide(const std::string& subject, const std::string& action) {
  std::lock_guard lock(mutex_);
  questions_.push_back(subject + " " + action);
  return allowed_.contains(action);
}

void StandInAuthority::Allow(const std::string& action) {
  std::lock_guard lock(mutex_);
  allowed_.insert(action);
}

std::vector<std::string> StandInAuthority::Questions() const {
  std::lock_guard lock(mutex_);
  return questions_;
}

}  // namespace kelbrin::test
