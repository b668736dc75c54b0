#include "session/SessionSignals.h"

#include <chrono>

namespace kelbrin::session {

void SessionSignals::SetMark(int mark) {
  if (mark_.exchange(mark) != 0 && mark == 0) ++logouts_;
  wait_.notifyChange();
}

void SessionSignals::SetAutoLogonArmed(bool armed) {
  autoLogonArmed_.store(armed);
  wait_.notifyChange();
}

void SessionSignals::SetNetReachable(bool reachable) {
  netReachable_.store(reachable);
  wait_.notifyChange();
}

void SessionSignals::SetManualLoginBusy(bool busy) {
  manualLoginBusy_.store(busy);
  wait_.notifyChange();
}

void SessionSignals::AddressChanged() {
  ++addressChanges_;
  wait_.notifyChange();
}

runtime::WorkerWait::End SessionSignals::WaitFor(runtime::Duration span,
                                                 const std::function<bool()>& condition) {
  return wait_.waitFor(span, condition);
}

void SessionSignals::WaitUntil(const std::function<bool()>& condition) {
  // Slices of a day keep the deadline far from the clock's limits; a slice that runs out with
  // nothing changed costs one wake-up a day.
  constexpr runtime::Duration kSlice = std::chrono::hours(24);
  while (wait_.waitFor(kSlice, condition) == runtime::WorkerWait::End::kTimeout) {
  }
}

}  // namespace kelbrin::session
