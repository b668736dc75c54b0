#pragma once

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/bus/BusValue.h"
#include "platform/bus/PollWait.h"

struct sd_bus;

namespace kelbrin::test {

// A message bus of the test's own: dbus-daemon with a configuration written into `folder`,
// listening on a socket there, ready once it answers. Every user may connect (a test's
// unprivileged caller too). A system-like bus denies owning names and calling methods unless a
// policy allows it, and reads the extra policy files given; a session-like bus allows both.
class PrivateBus {
 public:
  enum class Kind { SessionLike, SystemLike };
  PrivateBus(const std::filesystem::path& folder, Kind kind,
             const std::vector<std::filesystem::path>& policies = {});
  ~PrivateBus();  // stops the daemon
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // "unix:path=…", for DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS.
  const std::string& Address() const { return address_; }

 private:
  std::string address_;
  pid_t daemon_ = -1;
};

// A client connection to a private bus, for calls and for the signals it hears. Not thread-safe.
class BusProbe {
 public:
  explicit BusProbe(const std::string& address);
  ~BusProbe();
  BusProbe(const BusProbe&) = delete;
  BusProbe& operator=(const BusProbe&) = delete;

  // What a method call of the client's interface got back: the error's "NAME: message", or its
  // one basic value or its rows ("a(…)").
  struct Reply {
    std::optional<std::string> error;
    std::optional<platform::BusValue> value;
    platform::BusRows rows;
  };
  // Calls with typed arguments; `interactive` lets polkit ask the user to authenticate.
  Reply Ask(const std::string& method, const std::vector<platform::BusValue>& args = {},
            bool interactive = false);
  // The same, when only whether it failed matters: the error, or nullopt.
  std::optional<std::string> Call(const std::string& method,
                                  const std::vector<platform::BusValue>& args = {},
                                  bool interactive = false);
  // Sends `count` calls of `method` at once, then waits for the first answer: which call it
  // answers (from 0) and what it says.
  std::pair<std::size_t, Reply> FirstOfMany(const std::string& method, std::size_t count,
                                            bool interactive = false);
  // The client object's introspection XML (empty when it cannot be had).
  std::string Introspect();
  // Hears the client's signals from now on.
  void Listen();
  // Serves the connection until a signal "MEMBER ARG1|ARG2…" (basic values as text, rows as
  // "(a,b)(c,d)"; for PropertiesChanged the names of the changed properties) contains `part`,
  // or `guard` passed.
  bool Heard(const std::string& part, std::chrono::milliseconds guard = std::chrono::seconds(10));
  // The signals heard so far, one line each.
  const std::vector<std::string>& Signals() const { return signals_; }
  // The unique name of this connection on the bus.
  std::string UniqueName() const;

 private:
  void Serve(std::chrono::milliseconds wait);

  sd_bus* bus_ = nullptr;
  std::vector<std::string> signals_;
};

// A basic value as text ("true", "42", the text itself); a reply as one line: "error NAME:
// message", "value TEXT", "rows (a,b)(c,d)", or "empty" (no value, or no rows).
std::string BusValueText(const platform::BusValue& value);
std::string Describe(const BusProbe::Reply& reply);

// Runs `calls` in a forked child with a bus connection of its own to `address`, made as `uid`
// when given: the bus then knows the caller by that uid (an unprivileged caller while the test
// runs as root; the bus's socket must be reachable for it). Meanwhile this thread serves
// `serving`, if given: a service in this process. What `calls` returns comes back; a child that
// fails says why instead. The child's memory is its own.
std::string CallFromChild(const std::string& address, std::optional<uid_t> uid,
                          const std::function<std::string(BusProbe&)>& calls,
                          const std::optional<platform::PollWait::Watch>& serving = std::nullopt);

// A stand-in service's connection to a private bus: `publish` adds its objects and asks for its
// name; the connection is then served on a thread of its own until it is destroyed. Declare it
// after everything its handlers use, so it stops serving before they go.
class ServedConnection {
 public:
  // `what` names the service in the error thrown when it cannot serve. `eachTurn`, if any, runs
  // on the serving thread at least every 50 ms: the place for work other threads hand over.
  ServedConnection(const std::string& address, const std::string& what,
                   const std::function<bool(sd_bus*)>& publish,
                   std::function<void()> eachTurn = {});
  ~ServedConnection();
  ServedConnection(const ServedConnection&) = delete;
  ServedConnection& operator=(const ServedConnection&) = delete;

  // For signals sent from the serving thread.
  sd_bus* Bus() const { return bus_; }

 private:
  sd_bus* bus_ = nullptr;
  std::function<void()> eachTurn_;
  std::atomic<bool> stop_{false};
  std::thread server_;
};

}  // namespace kelbrin::test
