#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bus/BusValue.h"

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;
struct sd_bus_vtable;

namespace kelbrin::platform {

// A refusal of a method call: `name` is the D-Bus error name the caller gets
// ("net.kelbrin.Client1.Error.NotLoggedIn", "org.freedesktop.DBus.Error.InvalidArgs" …), the
// text its message.
struct BusError : std::runtime_error {
  BusError(std::string errorName, const std::string& text)
      : std::runtime_error(text), name(std::move(errorName)) {}
  std::string name;
};

inline constexpr char kBusErrorInvalidArgs[] = "org.freedesktop.DBus.Error.InvalidArgs";
inline constexpr char kBusErrorAccessDenied[] = "org.freedesktop.DBus.Error.AccessDenied";
inline constexpr char kBusErrorLimitsExceeded[] = "org.freedesktop.DBus.Error.LimitsExceeded";
inline constexpr char kBusErrorFailed[] = "org.freedesktop.DBus.Error.Failed";

// What a string argument may hold. Checked on the message itself, before polkit is asked and
// before anything is copied: a call that breaks it is refused with InvalidArgs.
struct BusTextBound {
  std::size_t maxBytes = 256;
  // Valid UTF-8 is always required; control characters (C0, DEL, C1) only where allowed.
  bool controlsAllowed = false;
};

// One argument of a method or signal: its name as introspection shows it and its D-Bus type
// ("b", "u", "t", "s", or "a(…)" of those for replies and signals).
struct BusArg {
  std::string name;
  std::string type;
  BusTextBound bound;  // "s" arguments of methods only
};

// A method of the published interface.
struct BusMethod {
  std::string name;
  std::vector<BusArg> in;
  // At most one out argument: a basic value or rows ("a(…)").
  std::vector<BusArg> out;
  // The polkit action that must allow the caller (on the system bus; the session bus admits
  // nobody but its own user). Empty: anyone may call. A caller with root's identity (uid 0 or
  // CAP_SYS_ADMIN) is let through without asking polkit.
  std::string action;
  // The text of the AccessDenied error when polkit refuses (the policy's message).
  std::string deniedText;
  // Runs on the serving thread once the caller is allowed; returns the reply (nothing, one basic
  // value, or rows), or throws BusError.
  using Reply = std::variant<std::monostate, BusValue, BusRows>;
  std::function<Reply(const std::vector<BusValue>& args)> run;
};

struct BusSignal {
  std::string name;
  std::vector<BusArg> args;
};

struct BusObject {
  std::string busName;
  std::string path;
  std::string interface;
  BusProperties properties;  // the names and types, with their first values
  std::vector<BusSignal> signals;
  std::vector<BusMethod> methods;
  // The name is held only until another asks for it (a desktop's own session, which gives way
  // to a service); otherwise it takes the name from such a holder.
  bool yieldsName = false;
};

// One object published on a bus under a well-known name, served with sd-bus on the caller's
// thread: nothing runs unless the caller's loop serves the descriptor (Fd, Events, Timeout,
// Process). Every string sent is valid UTF-8 (other bytes as "\xNN"); a reply that cannot be
// built is answered with an error. At most kMaxPendingAuthorizations calls wait for polkit at
// once; more are refused with LimitsExceeded.
class BusService {
 public:
  static constexpr std::size_t kMaxPendingAuthorizations = 32;

  // Connects, publishes `object` and claims its name; throws std::runtime_error saying why not.
  BusService(BusKind kind, BusObject object);
  ~BusService();
  BusService(const BusService&) = delete;
  BusService& operator=(const BusService&) = delete;

  // The values that differ from the published ones are announced in one PropertiesChanged; equal
  // ones say nothing. Every name must be one of the object's properties, the value of its type
  // (std::invalid_argument otherwise, and nothing changes).
  void SetProperties(const BusProperties& values);
  // `args` in the order and of the types the signal declares (std::invalid_argument otherwise).
  void Emit(const std::string& signal, const std::vector<std::variant<BusValue, BusRows>>& args);

  // This connection's unique name on the bus (":1.42").
  std::string UniqueName() const;

  int Fd() const;
  short Events() const;
  std::optional<std::chrono::milliseconds> Timeout() const;
  // Handles everything the bus has for us. False once the connection is lost for good.
  bool Process();

 private:
  struct PendingCall;
  struct Callbacks;
  friend struct Callbacks;
  void Run(const BusMethod& method, sd_bus_message* call, const std::vector<BusValue>& args);

  BusKind kind_;
  BusObject object_;
  std::vector<sd_bus_vtable> vtable_;
  std::list<std::string> vtableTexts_;  // signatures and argument names the vtable points at
  sd_bus* bus_ = nullptr;
  sd_bus_slot* slot_ = nullptr;
  std::list<std::unique_ptr<PendingCall>> pending_;
};

}  // namespace kelbrin::platform
