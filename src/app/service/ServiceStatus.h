#pragma once

#include <string>

#include "platform/systemd/SystemdNotify.h"
#include "session/SessionView.h"

namespace kelbrin::app {

// The one line `systemctl status` shows of the headless client: "Online — address 203.0.113.7"
// ("Online" before the first address), "Offline — Password failure！" (the last failure the
// service reported, if any) or "Offline".
std::string ServiceStatusText(bool online, const std::string& address,
                              const std::string& lastError);

// Passes the session's state to the service manager as its status line, only when it changed.
class ServiceStatusReporter {
 public:
  explicit ServiceStatusReporter(platform::SystemdNotify& notify) : notify_(notify) {}

  void Update(bool online, const session::SessionView& view, const std::string& lastError);
  const std::string& Shown() const { return shown_; }

 private:
  platform::SystemdNotify& notify_;
  std::string shown_;
};

}  // namespace kelbrin::app
