#pragma once

#include <string>

#include "platform/systemd/SystemdNotify.h"
#include "session/SessionFacts.h"

namespace kelbrin::app {

// The one line `systemctl status` shows of the headless client: "Online — address 203.0.113.7"
// ("Online" before the first address), "Connection fails — last answer at 14:02:31" while the
// active tests go unanswered, "Logging in", "Offline — Password failure！" (the last failure the
// service reported, if any) or "Offline".
std::string ServiceStatusText(const session::SessionFacts& facts);

// Passes the session's state to the service manager as its status line, only when it changed.
class ServiceStatusReporter {
 public:
  explicit ServiceStatusReporter(platform::SystemdNotify& notify) : notify_(notify) {}

  void Update(const session::SessionFacts& facts);
  const std::string& Shown() const { return shown_; }

 private:
  platform::SystemdNotify& notify_;
  std::string shown_;
};

}  // namespace kelbrin::app
