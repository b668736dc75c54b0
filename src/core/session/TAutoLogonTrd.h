#pragma once

#include <cstdint>
#include <thread>

#include "protocol/PelmarClient.h"
#include "runtime/Pace.h"
#include "session/SessionSignals.h"
#include "session/WorkerMessages.h"
#include "settings/ParamInfo.h"

namespace kelbrin::session {

// The auto-logon worker: while the session is logged out and AutoLogonArmed is set, one login
// with the saved credentials at once, then one every autoLogonWaitSteps x autoLogonWaitStep
// while they fail; a success is posted to the controller's event loop (OnAutoLogonDone), which runs
// LoginSucceeded. After a success it waits until the controller has handled it (the session
// mark moves, or it disarms), never logging in twice however slow the controller is. While
// disarmed or logged in it sleeps until the controller signals a change. A manual login under
// way counts as the attempt of the pass. Lives for the whole run; the destructor joins, so the
// owner requests the stop first.
class TAutoLogonTrd {
 public:
  TAutoLogonTrd(protocol::PelmarClient& client, SessionSignals& signals,
                const settings::ParamInfoStore& settings, WorkerMessages& messages,
                const runtime::Pace& pace);
  ~TAutoLogonTrd();
  TAutoLogonTrd(const TAutoLogonTrd&) = delete;
  TAutoLogonTrd& operator=(const TAutoLogonTrd&) = delete;

 private:
  void Run();
  bool MayLogIn() const;
  // True when the service accepted the login.
  bool Attempt();
  void WaitPace();
  void WaitUntilHandled(std::uint64_t logoutsBefore);

  protocol::PelmarClient& client_;
  SessionSignals& signals_;
  const settings::ParamInfoStore& settings_;
  WorkerMessages& messages_;
  const runtime::Pace pace_;
  std::thread thread_;  // last: starts once everything above is built
};

}  // namespace kelbrin::session
