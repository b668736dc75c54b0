#pragma once

#include <chrono>
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

struct BusError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A method of the published interface. Arguments are "s" and "b" only; the reply is empty or a
// list of rows of `rowWidth` texts ("a(ss…)").
struct BusMethod {
  std::string name;
  std::string inSignature;
  std::size_t rowWidth = 0;
  // The polkit action that must allow the caller (checked on the system bus only: the session
  // bus admits nobody but its own user). Empty: anyone may call.
  std::string action;
  // Runs on the serving thread once the caller is allowed; returns the rows of the reply, or
  // throws BusError whose text becomes the caller's error.
  std::function<std::vector<std::vector<std::string>>(const std::vector<BusValue>& args)> run;
};

struct BusSignal {
  std::string name;
  std::string signature;  // "s", "b" and "i" elements
};

struct BusObject {
  std::string busName;
  std::string path;
  std::string interface;
  BusProperties properties;  // the names and types, with their first values
  std::vector<BusSignal> signals;
  std::vector<BusMethod> methods;
};

// One object published on a bus under a well-known name, served with sd-bus on the caller's
// thread: nothing runs unless the caller's loop serves the descriptor (Fd, Events, Timeout,
// Process). Property changes are announced with PropertiesChanged.
class BusService {
 public:
  // Connects, publishes `object` and claims its name; throws BusError saying why not.
  BusService(BusKind kind, BusObject object);
  ~BusService();
  BusService(const BusService&) = delete;
  BusService& operator=(const BusService&) = delete;

  // A changed value is announced at once; an equal one says nothing. The name must be one of
  // the object's properties, the value of its type.
  void SetProperty(const std::string& name, BusValue value);
  void Emit(const std::string& signal, const std::vector<BusValue>& args);

  int Fd() const;
  short Events() const;
  std::optional<std::chrono::milliseconds> Timeout() const;
  // Handles everything the bus has for us. False once the connection is lost for good.
  bool Process();

 private:
  struct PendingCall;
  // The sd-bus callbacks (their types cannot be declared ahead).
  struct Callbacks;
  friend struct Callbacks;
  void Run(const BusMethod& method, sd_bus_message* call, const std::vector<BusValue>& args);

  BusKind kind_;
  BusObject object_;
  std::vector<sd_bus_vtable> vtable_;
  std::vector<std::string> outSignatures_;
  sd_bus* bus_ = nullptr;
  sd_bus_slot* slot_ = nullptr;
  std::list<std::unique_ptr<PendingCall>> pending_;
};

}  // namespace kelbrin::platform
