#pragma once

#include <chrono>

#include "reminders/Notifier.h"
#include "session/AccountIntents.h"
#include "session/SessionReadout.h"
#include "session/SettingsIntents.h"

namespace kelbrin::session {

// Everything the window asks of a session, whoever runs it: this process's controller or the
// service the desktop is attached to. Controller's thread only, except what SessionReadout
// calls thread-safe.
class SessionFront : public AccountIntents,
                     public SettingsIntents,
                     public SessionReadout,
                     public reminders::Notifier {
 public:
  // The domain view's "Refresh ": the service list is fetched again (logged in only).
  virtual void RefreshServiceList() = 0;
  // The domain view's root: the account panel shows the address again.
  virtual void ShowAccountAddress() = 0;
  // "Now" of the session's clock (the calendar of the deadlines and the domain view).
  virtual std::chrono::system_clock::time_point WallNow() const = 0;
};

}  // namespace kelbrin::session
