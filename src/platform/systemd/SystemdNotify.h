#pragma once

#include <string>
#include <string_view>

namespace kelbrin::platform {

// Tells the service manager how a Type=notify service is doing: datagrams of "KEY=VALUE" lines
// to the unix socket named by NOTIFY_SOCKET (a path, or "@name" in the abstract namespace).
// Without NOTIFY_SOCKET, or with an address of another kind, it is inactive and every call does
// nothing. Not thread-safe; one owner.
class SystemdNotify {
 public:
  // From the process's NOTIFY_SOCKET, which it then takes out of the environment: the programs
  // the client starts (systemctl, ...) must not speak for the service. Construct it before any
  // other thread runs.
  SystemdNotify();
  // `socketAddress` as NOTIFY_SOCKET would give it; empty: inactive.
  explicit SystemdNotify(std::string socketAddress);
  ~SystemdNotify();
  SystemdNotify(const SystemdNotify&) = delete;
  SystemdNotify& operator=(const SystemdNotify&) = delete;

  bool Active() const { return !address_.empty(); }

  // The start-up is complete.
  bool Ready() { return Send("READY=1"); }
  // One line for `systemctl status`; line ends in `text` become blanks.
  bool Status(std::string_view text);
  // The service is on its way out.
  bool Stopping() { return Send("STOPPING=1"); }

  // Sends `message` as one datagram; false when inactive or the send failed.
  bool Send(std::string_view message);

 private:
  std::string address_;
  int fd_ = -1;
};

}  // namespace kelbrin::platform
