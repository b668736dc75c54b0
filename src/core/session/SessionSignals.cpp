#include "session/SessionSignals.h"

#include <chrono>

namespace kelbrin::session {

// A value set to what it already was wakes nobody: the line-state timer confirms reachability
// every few seconds, and each of those would otherwise wake every parked worker.
void SessionSignals::Change(std::atomic<bool>& value, bool to) {
  if (value.exchange(to) != to) wait_.NotifyChange();
}

void SessionSignals::SetMark(int mark) {
  const int before = mark_.exchange(mark);
  if (before != 0 && mark == 0) ++logouts_;
  if (before != mark) wait_.NotifyChange();
}

void SessionSignals::SetAutoLogonArmed(bool armed) { Change(autoLogonArmed_, armed); }

void SessionSignals::SetNetReachable(bool reachable) { Change(netReachable_, reachable); }

void SessionSignals::SetManualLoginBusy(bool busy) { Change(manualLoginBusy_, busy); }

void SessionSignals::AddressChanged() {
  ++addressChanges_;
  wait_.NotifyChange();
}

runtime::WorkerWait::End SessionSignals::WaitFor(runtime::Duration span,
                                                 const std::function<bool()>& condition) {
  return wait_.WaitFor(span, condition);
}

void SessionSignals::WaitUntil(const std::function<bool()>& condition) {
  // Slices of a day keep the deadline far from the clock's limits; a slice that runs out with
  // nothing changed costs one wake-up a day.
  constexpr runtime::Duration kSlice = std::chrono::hours(24);
  while (wait_.WaitFor(kSlice, condition) == runtime::WorkerWait::End::Timeout) {
  }
}

}  // namespace kelbrin::session
