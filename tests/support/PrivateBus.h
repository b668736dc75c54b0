#pragma once

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct sd_bus;

namespace kelbrin::test {

// A message bus of the test's own: dbus-daemon with a configuration written into `folder`,
// listening on a socket there. A system-like bus denies owning names and calling methods unless
// a policy allows it, and reads the extra policy files given; a session-like bus allows both.
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

  // Calls a method of the client's interface with string and boolean arguments ("s" and "b"
  // in `signature`); the error's "NAME: message", or nullopt when the call succeeded.
  std::optional<std::string> Call(const std::string& method, const std::string& signature = "",
                                  const std::vector<std::string>& args = {});
  // Hears the client's signals from now on.
  void Listen();
  // Serves the connection until a signal "MEMBER ARG1|ARG2…" (string arguments; for
  // PropertiesChanged the names of the changed properties) contains `part`, or `guard` passed.
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

// A stand-in service's connection to a private bus: `publish` adds its objects and asks for its
// name; the connection is then served on a thread of its own until it is destroyed. Declare it
// after everything its handlers use, so it stops serving before they go.
class ServedConnection {
 public:
  // `what` names the service in the error thrown when it cannot serve.
  ServedConnection(const std::string& address, const std::string& what,
                   const std::function<bool(sd_bus*)>& publish);
  ~ServedConnection();
  ServedConnection(const ServedConnection&) = delete;
  ServedConnection& operator=(const ServedConnection&) = delete;

  // For signals sent from the serving thread.
  sd_bus* Bus() const { return bus_; }

 private:
  sd_bus* bus_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread server_;
};

}  // namespace kelbrin::test
