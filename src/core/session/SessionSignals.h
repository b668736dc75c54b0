#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "reminders/SessionMark.h"
#include "runtime/WorkerWait.h"

namespace kelbrin::session {

// The single-word session values that the controller's thread writes and the workers read: the
// session mark, AutoLogonArmed, NetReachable, whether a manual login is under way, and the count
// of address changes. Readers take them without a lock; every change wakes the workers parked in
// the shared wait, so a worker sleeps until something it cares about changes instead of polling
// once a second. A stop request ends every wait at once, for good.
class SessionSignals final : public reminders::SessionMark {
 public:
  explicit SessionSignals(runtime::Clock& clock) : wait_(clock) {}

  bool IsOnline() const override { return Mark() == 1; }

  // 0 logged out, 1 logged in.
  int Mark() const { return mark_.load(); }
  bool AutoLogonArmed() const { return autoLogonArmed_.load(); }
  bool NetReachable() const { return netReachable_.load(); }
  // A login of the user's own is in flight; the auto-logon worker leaves that attempt to it.
  bool ManualLoginBusy() const { return manualLoginBusy_.load(); }
  bool StopRequested() const { return wait_.StopRequested(); }
  // Counts the logouts; a worker compares it across a wait so that a logout followed at once by
  // a login is not missed.
  std::uint64_t Logouts() const { return logouts_.load(); }
  // Counts the changes of a local address or of the default route that were reported.
  std::uint64_t AddressChanges() const { return addressChanges_.load(); }

  void SetMark(int mark);
  void SetAutoLogonArmed(bool armed);
  void SetNetReachable(bool reachable);
  void SetManualLoginBusy(bool busy);
  // Any thread: the network behind the public address may have changed.
  void AddressChanged();
  void RequestStop() { wait_.RequestStop(); }

  // Worker side: waits up to `span` on the runtime clock; ends early on a stop request or when
  // `condition()` holds. Returns why it ended.
  runtime::WorkerWait::End WaitFor(runtime::Duration span, const std::function<bool()>& condition);
  // Sleeps until `condition()` holds or a stop is requested, however long that takes.
  void WaitUntil(const std::function<bool()>& condition);

  runtime::Clock& clock() const { return wait_.clock(); }

 private:
  // Stores `to`; wakes the parked workers only when that changes the value.
  void Change(std::atomic<bool>& value, bool to);

  runtime::WorkerWait wait_;
  std::atomic<int> mark_{0};
  std::atomic<bool> autoLogonArmed_{false};
  std::atomic<bool> netReachable_{false};
  std::atomic<bool> manualLoginBusy_{false};
  std::atomic<std::uint64_t> logouts_{0};
  std::atomic<std::uint64_t> addressChanges_{0};
};

}  // namespace kelbrin::session
