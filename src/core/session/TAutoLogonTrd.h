#pragma once

#include <thread>

#include "protocol/PelmarClient.h"
#include "runtime/Pace.h"
#include "session/SessionSignals.h"
#include "session/WorkerMessages.h"

namespace kelbrin::session {

// The auto-logon worker: while the session is logged out and AutoLogonArmed is set, one login
// with the saved credentials every autoLogonWaitSteps x autoLogonWaitStep; a success is reported
// as WM_AUTOLOGON_DONE and the controller then runs LoginSucceeded. While disarmed or logged in
// it sleeps until the controller signals a change, then keeps its pace before the next attempt.
// Lives for the whole run; the destructor joins, so the owner requests the stop first.
class TAutoLogonTrd {
 public:
  TAutoLogonTrd(protocol::PelmarClient& client, SessionSignals& signals, WorkerMessages& messages, const runtime::Pace& pace);
  ~TAutoLogonTrd();
  TAutoLogonTrd(const TAutoLogonTrd&) = delete;
  TAutoLogonTrd& operator=(const TAutoLogonTrd&) = delete;

 private:
  void Run();
  bool MayLogIn() const;
  void Attempt();
  void WaitPace();

  protocol::PelmarClient& client_;
  SessionSignals& signals_;
  WorkerMessages& messages_;
  const runtime::Pace pace_;
  std::thread thread_;  // last: starts once everything above is built
};

}  // namespace kelbrin::session
