#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <string>

namespace kelbrin::platform {

// How long a method call waits for polkit: long enough for a person to type a password into
// the authentication agent, short enough that a forgotten dialog does not hold its call forever.
inline constexpr std::chrono::minutes kPolkitPatience{2};

// Asks polkit (CheckAuthorization, asynchronously) whether the caller of `call` — by its unique
// bus name — may do `action`. The user may be asked to authenticate only when the caller's
// message allows interactive authorization. `answer` gets polkit's reply (or the bus's error)
// through `slot`. A negative errno when the question cannot be sent.
int AskPolkit(sd_bus* bus, sd_bus_message* call, const std::string& action,
              sd_bus_message_handler_t answer, void* userdata, sd_bus_slot** slot);

// polkit's verdict in `reply`: Allowed only for "authorized"; a possible challenge is Refused
// too (the caller did not allow interaction, or the user did not authenticate). Unchecked when
// polkit did not answer (no polkitd, time-out, unreadable reply) — `why` says what happened.
enum class PolkitVerdict { Allowed, Refused, Unchecked };
PolkitVerdict ReadPolkitVerdict(sd_bus_message* reply, std::string& why);

}  // namespace kelbrin::platform
