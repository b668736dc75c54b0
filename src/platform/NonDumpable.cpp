#include "platform/NonDumpable.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <cerrno>
#include <system_error>

namespace kelbrin::platform {

void MakeNotDumpable() {
  if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot make the process non-dumpable");
  }
  const rlimit noCore{0, 0};
  if (::setrlimit(RLIMIT_CORE, &noCore) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot turn core dumps off");
  }
}

}  // namespace kelbrin::platform
