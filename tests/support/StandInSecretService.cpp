#include "StandInSecretService.h"

#include <systemd/sd-bus.h>

namespace kelbrin::test {

namespace {

constexpr char kRoot[] = "/org/freedesktop/secrets";
constexpr char kSession[] = "/org/freedesktop/secrets/session/s1";
constexpr char kCollection[] = "/org/freedesktop/secrets/collection/login";
constexpr char kItem[] = "/org/freedesktop/secrets/collection/login/1";
constexpr char kPrompt[] = "/org/freedesktop/secrets/prompt/p1";
constexpr char kPromptInterface[] = "org.freedesktop.Secret.Prompt";

int OpenSession(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "vo", "s", "", kSession);
}

// Every item there is is locked.
int SearchItems(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "aoao", 0, 1, kItem);
}

// Nothing unlocks without the prompt.
int Unlock(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "aoo", 0, kPrompt);
}

int ReadAlias(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "o", kCollection);
}

int Nothing(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "");
}

int Locked(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
           sd_bus_error*) {
  return sd_bus_message_append(reply, "b", 1);
}

int Prompt(sd_bus_message* call, void* self, sd_bus_error*) {
  const int replied = sd_bus_reply_method_return(call, "");
  static_cast<StandInSecretService*>(self)->ShowPrompt(sd_bus_message_get_path(call));
  return replied;
}

const sd_bus_vtable kService[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("OpenSession", "sv", "vo", OpenSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SearchItems", "a{ss}", "aoao", SearchItems, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Unlock", "ao", "aoo", Unlock, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ReadAlias", "s", "o", ReadAlias, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kSessionObject[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Close", "", "", Nothing, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kCollectionObject[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Locked", "b", Locked, 0, 0),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kPromptObject[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Prompt", "s", "", Prompt, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Dismiss", "", "", Nothing, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("Completed", "bv", 0),
    SD_BUS_VTABLE_END,
};

}  // namespace

StandInSecretService::StandInSecretService(const std::string& address)
    : connection_(address, "the stand-in Secret Service", [this](sd_bus* bus) {
        return sd_bus_add_object_vtable(bus, nullptr, kRoot, "org.freedesktop.Secret.Service",
                                        kService, this) >= 0 &&
               sd_bus_add_object_vtable(bus, nullptr, kSession, "org.freedesktop.Secret.Session",
                                        kSessionObject, this) >= 0 &&
               sd_bus_add_object_vtable(bus, nullptr, kCollection,
                                        "org.freedesktop.Secret.Collection", kCollectionObject,
                                        this) >= 0 &&
               sd_bus_add_object_vtable(bus, nullptr, kPrompt, kPromptInterface, kPromptObject,
                                        this) >= 0 &&
               sd_bus_request_name(bus, "org.freedesktop.secrets", 0) >= 0;
      }) {}

void StandInSecretService::ShowPrompt(const std::string& path) {
  {
    std::lock_guard lock(mutex_);
    ++promptsShown_;
  }
  // Completed(dismissed = true, result = an empty text).
  sd_bus_emit_signal(connection_.Bus(), path.c_str(), kPromptInterface, "Completed", "bv", 1, "s", "");
}

int StandInSecretService::PromptsShown() const {
  std::lock_guard lock(mutex_);
  return promptsShown_;
}

}  // namespace kelbrin::test
