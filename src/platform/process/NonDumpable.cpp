#include "platform/process/NonDumpable.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <cerrno>
#include <system_error>

namespace kelbrin::platform {

void MakeNotDumpable() {
  if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot make the process non-dumpable");
  }
  // Belt and braces: a non-dumpable process leaves a core only where the administrator asked for
  // root-only cores (fs.suid_dumpable 2). The unit's system-call filter refuses setrlimit (it
  // sets LimitCORE=0 itself), so a refusal here is no failure.
  const rlimit noCore{0, 0};
  (void)::setrlimit(RLIMIT_CORE, &noCore);
}

}  // namespace kelbrin::platform
