#include "session/TAutoLogonTrd.h"

#include "session/Credentials.h"

namespace kelbrin::session {

TAutoLogonTrd::TAutoLogonTrd(protocol::PelmarClient& client, SessionSignals& signals,
                             const settings::ParamInfoStore& settings, WorkerMessages& messages,
                             const runtime::Pace& pace)
    : client_(client), signals_(signals), settings_(settings), messages_(messages), pace_(pace) {
  thread_ = std::thread([this] { Run(); });
}

TAutoLogonTrd::~TAutoLogonTrd() { thread_.join(); }

bool TAutoLogonTrd::MayLogIn() const { return signals_.Mark() == 0 && signals_.AutoLogonArmed(); }

void TAutoLogonTrd::Run() {
  while (!signals_.StopRequested()) {
    // Only a real wait registers with the clock: a test that counts parked workers must not
    // see one that is about to log in.
    if (!MayLogIn()) signals_.WaitUntil([this] { return MayLogIn(); });
    if (signals_.StopRequested()) return;
    if (signals_.ManualLoginBusy()) {
      // The user's own login is this pass's attempt; should it fail, the next one keeps the pace.
      signals_.WaitUntil([this] { return !signals_.ManualLoginBusy(); });
      WaitPace();
      continue;
    }
    const std::uint64_t logoutsBefore = signals_.Logouts();
    if (Attempt()) {
      WaitUntilHandled(logoutsBefore);
    } else {
      WaitPace();
    }
  }
}

bool TAutoLogonTrd::Attempt() {
  try {
    // A refusal has already gone to the result reactions inside the login.
    const auto outcome = client_.UserLogin(CurrentCredentials(settings_));
    if (!outcome.Accepted()) return false;
    messages_.PostAutoLogonDone(outcome.reply);
    return true;
  } catch (...) {
    // A failed attempt is retried at the next pass.
    return false;
  }
}

void TAutoLogonTrd::WaitPace() {
  signals_.WaitFor(pace_.autoLogonWaitStep * pace_.autoLogonWaitSteps, {});
}

void TAutoLogonTrd::WaitUntilHandled(std::uint64_t logoutsBefore) {
  // A login that ends at once (an expired account) still counts a logout.
  signals_.WaitUntil([&] {
    return signals_.Mark() != 0 || signals_.Logouts() != logoutsBefore ||
           !signals_.AutoLogonArmed();
  });
}

}  // namespace kelbrin::session
