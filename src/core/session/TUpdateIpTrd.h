#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "protocol/PelmarClient.h"
#include "protocol/TActiveTestResp.h"
#include "runtime/Pace.h"
#include "session/SessionSignals.h"
#include "session/WorkerMessages.h"
#include "settings/ParamInfo.h"

namespace kelbrin::session {

// The IP update worker: while the session is logged in, one active test, then a wait of
// ipWaitSteps x ipWaitStep; every new public address is reported as "IP updates successfully：".
// A reported change of a local address or of the default route brings the next test forward to
// addressChangeSettle after the change, so a new address is seen within a second or two; changes
// that come while it settles share that one test, and extra tests keep addressChangeSpacing
// between them, so a flapping link never storms the service. While logged out (or without a
// reachable network) it sleeps until the controller signals a change instead of checking once a
// second. One instance lives from the first login to the end. The thread starts in the
// constructor; the destructor joins it, so the owner requests the stop on the SessionSignals (and
// aborts the exchange in flight) before destroying it.
class TUpdateIpTrd {
 public:
  TUpdateIpTrd(protocol::PelmarClient& client, SessionSignals& signals,
               const settings::ParamInfoStore& settings, WorkerMessages& messages,
               const runtime::Pace& pace);
  ~TUpdateIpTrd();
  TUpdateIpTrd(const TUpdateIpTrd&) = delete;
  TUpdateIpTrd& operator=(const TUpdateIpTrd&) = delete;

  // The address last reported; empty at creation and after every logout. Any thread.
  std::string CurrentIp() const;
  // A connection failure has been reported and no new address since.
  bool IpFailFlag() const { return ipFailFlag_.load(); }
  // When the service last answered an active test (the clock's wall time); the epoch before
  // the first answer. Any thread.
  std::chrono::system_clock::time_point LastAnswered() const {
    return std::chrono::system_clock::time_point(lastAnswered_.load());
  }

 private:
  void Run();
  void Exchange(const protocol::Credentials& credentials);
  void Evaluate();
  // The pause between two active tests; ends at once on a logout or a stop, which clears
  // CurrentIp so that the first reply after the next login is reported again.
  void WaitForNextTest(std::uint64_t logoutsBefore, std::uint64_t changesBefore);
  void SetCurrentIp(std::string ip);
  // Tells the controller when the tests' answered state turns.
  void NoteAnswered(bool answered);

  protocol::PelmarClient& client_;
  SessionSignals& signals_;
  const settings::ParamInfoStore& settings_;
  WorkerMessages& messages_;
  const runtime::Pace pace_;

  // Worker thread only.
  protocol::TActiveTestResp response_;

  // When the last test brought forward by an address change went out. Worker thread only.
  std::optional<runtime::TimePoint> lastExtraTest_;
  // Whether the last active test of this login was answered. Unlike IpFailFlag it follows every
  // test, so the window can show a service that stopped answering and came back at the same
  // address. Worker thread only.
  bool answered_ = true;

  std::atomic<bool> ipFailFlag_{false};
  std::atomic<std::chrono::system_clock::duration> lastAnswered_{};
  mutable std::mutex currentIpMutex_;
  std::string currentIp_;

  std::thread thread_;  // last: starts once everything above is built
};

}  // namespace kelbrin::session
