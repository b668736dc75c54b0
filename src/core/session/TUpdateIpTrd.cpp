#include "session/TUpdateIpTrd.h"

#include <algorithm>
#include <utility>

#include "protocol/Utilities.h"
#include "runtime/Translate.h"
#include "session/Credentials.h"

namespace kelbrin::session {

TUpdateIpTrd::TUpdateIpTrd(protocol::PelmarClient& client, SessionSignals& signals,
                           const settings::ParamInfoStore& settings, WorkerMessages& messages,
                           const runtime::Pace& pace)
    : client_(client), signals_(signals), settings_(settings), messages_(messages), pace_(pace) {
  thread_ = std::thread([this] { Run(); });
}

TUpdateIpTrd::~TUpdateIpTrd() { thread_.join(); }

std::string TUpdateIpTrd::CurrentIp() const {
  std::lock_guard guard(currentIpMutex_);
  return currentIp_;
}

void TUpdateIpTrd::SetCurrentIp(std::string ip) {
  std::lock_guard guard(currentIpMutex_);
  currentIp_ = std::move(ip);
}

void TUpdateIpTrd::Run() {
  const auto online = [this] { return signals_.NetReachable() && signals_.Mark() != 0; };
  while (!signals_.StopRequested()) {
    // Read before the gate: a logout and a new login between here and the wait still count.
    const std::uint64_t logoutsBefore = signals_.Logouts();
    // Changes up to here are covered by the test about to go out.
    const std::uint64_t changesBefore = signals_.AddressChanges();
    if (!online()) {
      signals_.WaitUntil(online);
      continue;
    }
    const protocol::Credentials credentials = CurrentCredentials(settings_);
    if (!credentials.UserName.empty() && !credentials.UserPwd.empty()) {
      try {
        Exchange(credentials);
      } catch (...) {
        // A failed pass only costs this cycle; the worker goes on with the wait.
      }
    }
    WaitForNextTest(logoutsBefore, changesBefore);
  }
}

void TUpdateIpTrd::Exchange(const protocol::Credentials& credentials) {
  // A missing reply leaves the response as the last reply that came.
  const protocol::Outcome outcome = client_.ActiveTest(credentials, response_);
  if (outcome.replied) lastAnswered_.store(signals_.clock().WallNow().time_since_epoch());
  NoteAnswered(outcome.replied);
  if (!outcome.replied && !ipFailFlag_.load()) {
    ipFailFlag_.store(true);
    messages_.PostIpStatus(runtime::Translatable("Connection fails！"), true);
    return;
  }
  Evaluate();
}

void TUpdateIpTrd::NoteAnswered(bool answered) {
  if (answered == answered_) return;
  answered_ = answered;
  messages_.PostActiveTestAnswered(answered);
}

void TUpdateIpTrd::Evaluate() {
  if (response_.Result != "0") {
    client_.ResultCodeText(protocol::IntOrDefault(response_.Result, 1));
    messages_.PostIpStatus(client_.LastErrorText(), false);
    return;
  }
  if (response_.UserIP != CurrentIp()) {
    ipFailFlag_.store(false);
    SetCurrentIp(response_.UserIP);
    messages_.PostIpStatus(runtime::Translate("IP updates successfully：") + response_.UserIP,
                           false);
  }
}

void TUpdateIpTrd::WaitForNextTest(std::uint64_t logoutsBefore, std::uint64_t changesBefore) {
  const auto loggedOut = [&] {
    return signals_.Mark() != 1 || signals_.Logouts() != logoutsBefore;
  };
  const auto loggedOutOrChanged = [&] {
    return loggedOut() || signals_.AddressChanges() != changesBefore;
  };
  auto end = signals_.WaitFor(pace_.ipWaitStep * pace_.ipWaitSteps, loggedOutOrChanged);
  if (end == runtime::WorkerWait::End::Condition && !loggedOut()) {
    const runtime::Clock& clock = signals_.clock();
    runtime::TimePoint testAt = clock.Now() + pace_.addressChangeSettle;
    if (lastExtraTest_) testAt = std::max(testAt, *lastExtraTest_ + pace_.addressChangeSpacing);
    end = signals_.WaitFor(testAt - clock.Now(), loggedOut);
    if (end == runtime::WorkerWait::End::Timeout) {
      lastExtraTest_ = clock.Now();
      return;
    }
  }
  if (end != runtime::WorkerWait::End::Timeout) {
    SetCurrentIp({});
    // A new login starts as Online; its first test decides again.
    answered_ = true;
  }
}

}  // namespace kelbrin::session
