#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "protocol/PelmarClient.h"
#include "runtime/Pace.h"
#include "session/SessionSignals.h"
#include "session/WorkerMessages.h"
#include "settings/ParamInfo.h"

namespace kelbrin::session {

// The service-list worker: one per successful login. After serviceListDelay it fetches the
// subscriber's list once and posts it (or the refusal) to the controller, numbered `fetch`.
// An empty reply counts as a connection failure and reports nothing. The destructor joins; the
// owner reaps finished workers with Finished() and requests the stop before destroying a running
// one.
class TGetServiceTrd {
 public:
  TGetServiceTrd(protocol::PelmarClient& client, SessionSignals& signals,
                 const settings::ParamInfoStore& settings, WorkerMessages& messages,
                 const runtime::Pace& pace, std::uint64_t fetch);
  ~TGetServiceTrd();
  TGetServiceTrd(const TGetServiceTrd&) = delete;
  TGetServiceTrd& operator=(const TGetServiceTrd&) = delete;

  bool Finished() const { return finished_.load(); }

 private:
  void Run();
  void Fetch();

  protocol::PelmarClient& client_;
  SessionSignals& signals_;
  const settings::ParamInfoStore& settings_;
  WorkerMessages& messages_;
  const runtime::Pace pace_;
  const std::uint64_t fetch_;
  std::atomic<bool> finished_{false};
  std::thread thread_;  // last: starts once everything above is built
};

}  // namespace kelbrin::session
