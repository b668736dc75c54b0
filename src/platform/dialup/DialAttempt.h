#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace kelbrin::platform {

class DialUpFacility;

// A dial-up connection as the dialer holds it: the facility that runs it and the facility's own
// number for it (pppd: the pid of the link's pppd; NetworkManager: active connection N). An empty
// handle names none.
struct DialHandle {
  const DialUpFacility* facility = nullptr;
  int id = 0;

  explicit operator bool() const { return facility != nullptr && id != 0; }
  bool operator==(const DialHandle&) const = default;
};

// A dial-up connection of this machine, whichever facility runs it.
struct DialLink {
  std::string entry;  // the phonebook entry it belongs to
  DialHandle handle;
  std::string interface;   // the interface that carries its traffic, e.g. ppp0 or wwan0
  bool connected = false;  // up and holding an IPv4 address
};

// One dial under way, whichever facility makes it. Used by one thread at a time.
class DialAttempt {
 public:
  virtual ~DialAttempt() = default;

  // Waits at most `timeout` for progress and hands each dial state (PppdLog.h) it shows to
  // `onState`. nullopt while the dial goes on; then 0 with the connection up, or an error code.
  virtual std::optional<int> Step(std::chrono::milliseconds timeout,
                                  const std::function<void(int state)>& onState) = 0;

  // Asks the dial to give up; the following steps end it. Dropping the attempt ends it at once.
  virtual void Cancel() = 0;

  // The connection under way as far as the facility knows it (pppd: the started pppd), and its
  // handle once it is up; empty while it knows none.
  virtual DialHandle Handle() const = 0;

  // A code worth telling the user about this dial although it goes ahead; 0 for none.
  virtual int Notice() const { return 0; }
};

}  // namespace kelbrin::platform
