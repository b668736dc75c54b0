#include "platform/bus/PolkitQuestion.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstring>

namespace kelbrin::platform {

int AskPolkit(sd_bus* bus, sd_bus_message* call, const std::string& action,
              sd_bus_message_handler_t answer, void* userdata, sd_bus_slot** slot) {
  constexpr std::uint32_t kAllowUserInteraction = 1;
  const std::uint32_t flags =
      sd_bus_message_get_allow_interactive_authorization(call) > 0 ? kAllowUserInteraction : 0;
  sd_bus_message* check = nullptr;
  int result = sd_bus_message_new_method_call(
      bus, &check, "org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
      "org.freedesktop.PolicyKit1.Authority", "CheckAuthorization");
  if (result >= 0) {
    result = sd_bus_message_append(check, "(sa{sv})sa{ss}us", "system-bus-name", 1, "name", "s",
                                   sd_bus_message_get_sender(call), action.c_str(), 0, flags, "");
  }
  if (result >= 0) {
    const auto patience = std::chrono::microseconds(kPolkitPatience).count();
    result =
        sd_bus_call_async(bus, slot, check, answer, userdata, static_cast<std::uint64_t>(patience));
  }
  sd_bus_message_unref(check);
  return result;
}

PolkitVerdict ReadPolkitVerdict(sd_bus_message* reply, std::string& why) {
  if (const sd_bus_error* failure = sd_bus_message_get_error(reply)) {
    why = failure->message != nullptr ? failure->message
                                      : (failure->name != nullptr ? failure->name : "no answer");
    return PolkitVerdict::Unchecked;
  }
  int authorized = 0;
  int challenge = 0;
  if (sd_bus_message_enter_container(reply, 'r', "bba{ss}") <= 0 ||
      sd_bus_message_read(reply, "bb", &authorized, &challenge) < 0) {
    why = "unreadable answer";
    return PolkitVerdict::Unchecked;
  }
  return authorized != 0 ? PolkitVerdict::Allowed : PolkitVerdict::Refused;
}

}  // namespace kelbrin::platform
