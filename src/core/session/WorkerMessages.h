#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "protocol/TGetServiceListResp.h"
#include "protocol/TQueryUserProfileResp.h"

namespace kelbrin::session {

// What a service-list worker reports: the list that replaces ServiceList, or the service's
// refusal. `fetch` numbers the fetches in the order they were started, so the controller can
// let the later-started fetch win whichever reply arrives last.
struct ServiceListReply {
  std::uint64_t fetch = 0;
  std::shared_ptr<const protocol::TGetServiceListResp> list;  // none: refused
  std::string errorText;                                      // LastErrorText of the refusal
  // False when the fetch ended without a reply from the service (nothing to show but its end).
  bool replied = true;
};

// The workers' messages to the controller: the address state, the auto-logon's success, the
// service list.
// Thread-safe: each call queues a task on the controller's thread that carries its payload by
// value, so a worker never waits for the controller and never shares a buffer with it.
class WorkerMessages {
 public:
  virtual ~WorkerMessages() = default;
  virtual void PostIpStatus(std::string text, bool connectionFailure) = 0;
  // The auto-logon worker's successful login, with the profile the service sent.
  virtual void PostAutoLogonDone(std::shared_ptr<const protocol::TQueryUserProfileResp> profile) = 0;
  virtual void PostServiceList(ServiceListReply reply) = 0;
  // The IP update worker's active tests turned from answered to unanswered or back (the first
  // test after each login counts as a turn only when it goes unanswered).
  virtual void PostActiveTestAnswered(bool answered) = 0;
};

}  // namespace kelbrin::session
