#include "platform/bus/CallerIdentity.h"

#include <linux/capability.h>
#include <sys/types.h>
#include <systemd/sd-bus.h>

#include <cstdint>

namespace kelbrin::platform {

bool CallerHasRootIdentity(sd_bus_message* call) {
  sd_bus_creds* creds = nullptr;
  if (sd_bus_query_sender_creds(call, SD_BUS_CREDS_EUID | SD_BUS_CREDS_EFFECTIVE_CAPS, &creds) <
      0) {
    return false;
  }
  const std::uint64_t vouched =
      sd_bus_creds_get_mask(creds) & ~sd_bus_creds_get_augmented_mask(creds);
  uid_t euid = 1;
  const bool rootUid =
      (vouched & SD_BUS_CREDS_EUID) != 0 && sd_bus_creds_get_euid(creds, &euid) >= 0 && euid == 0;
  const bool adminCapability = (vouched & SD_BUS_CREDS_EFFECTIVE_CAPS) != 0 &&
                               sd_bus_creds_has_effective_cap(creds, CAP_SYS_ADMIN) > 0;
  sd_bus_creds_unref(creds);
  return rootUid || adminCapability;
}

}  // namespace kelbrin::platform
