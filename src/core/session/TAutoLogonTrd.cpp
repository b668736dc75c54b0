#include "session/TAutoLogonTrd.h"

#include "session/Credentials.h"

namespace kelbrin::session {

TAutoLogonTrd::TAutoLogonTrd(protocol::PelmarClient& client, SessionSignals& signals, WorkerMessages& messages,
                             const runtime::Pace& pace)
    : client_(client), signals_(signals), messages_(messages), pace_(pace) {
  thread_ = std::thread([this] { Run(); });
}

TAutoLogonTrd::~TAutoLogonTrd() { thread_.join(); }

bool TAutoLogonTrd::MayLogIn() const { return signals_.Mark() == 0 && signals_.AutoLogonArmed(); }

void TAutoLogonTrd::Run() {
  while (!signals_.StopRequested()) {
    if (MayLogIn()) Attempt();
    WaitPace();
    if (!MayLogIn()) {
      // Nothing to do until the controller arms the worker or logs out; then the usual pace
      // runs before the attempt, as if the worker had kept checking.
      signals_.WaitUntil([this] { return MayLogIn(); });
      WaitPace();
    }
  }
}

void TAutoLogonTrd::Attempt() {
  try {
    // A refusal has already gone to the result reactions inside the login.
    const auto outcome = client_.UserLogin(CurrentCredentials());
    if (outcome.Accepted()) messages_.PostAutoLogonDone(outcome.reply);
  } catch (...) {
    // A failed attempt is retried at the next pass.
  }
}

void TAutoLogonTrd::WaitPace() {
  signals_.WaitFor(pace_.autoLogonWaitStep * pace_.autoLogonWaitSteps, {});
}

}  // namespace kelbrin::session
