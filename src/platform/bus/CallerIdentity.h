#pragma once

struct sd_bus_message;

namespace kelbrin::platform {

// Whether the caller of `call` has root's identity: effective uid 0, or CAP_SYS_ADMIN in its
// effective set. Only what the bus vouches for counts; what sd-bus would have to read from
// /proc/PID afterwards (racy: the caller may have changed or exited) counts for nothing, so on a
// dbus-daemon bus, which reports no capabilities, it is the uid alone.
bool CallerHasRootIdentity(sd_bus_message* call);

}  // namespace kelbrin::platform
