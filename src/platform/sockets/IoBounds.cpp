#include "platform/sockets/IoBounds.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace kelbrin::platform {

void IoBounds::SetStallBound(std::chrono::milliseconds stall) {
  stall_ = stall;
  Progress();
}

SteadyTime IoBounds::GiveUpAt() const {
  if (stall_.count() <= 0) return deadline_;
  return std::min(deadline_, lastProgress_ + stall_);
}

SteadyTime IoBounds::SliceEnd() const {
  return std::min(GiveUpAt(), std::chrono::steady_clock::now() + kAbortCheck);
}

IoBounds::Wait IoBounds::Check() const {
  if (Aborted()) return Wait::Aborted;
  return std::chrono::steady_clock::now() >= GiveUpAt() ? Wait::TimedOut : Wait::Ready;
}

IoBounds::Wait IoBounds::WaitFor(int fd, short events) const {
  for (;;) {
    if (const Wait state = Check(); state != Wait::Ready) return state;
    const auto now = std::chrono::steady_clock::now();
    // Rounded up, so a slice never ends just before the moment it waits for.
    const auto slice = std::chrono::ceil<std::chrono::milliseconds>(SliceEnd() - now);
    pollfd descriptor{fd, events, 0};
    const int ready = ::poll(&descriptor, 1, static_cast<int>(slice.count()));
    if (ready > 0) return Wait::Ready;
    if (ready < 0 && errno != EINTR) return Wait::Failed;
  }
}

}  // namespace kelbrin::platform
