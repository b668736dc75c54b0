#pragma once

#include <cstdint>
#include <string>

#include "platform/bus/BusValue.h"
#include "session/SessionFacts.h"

// The client's bus interface as both sides know it: the service (or a desktop running its own
// session) that publishes it, and the desktop, --status and --health that read it. Written down
// for others in packaging/dbus/net.kelbrin.Client1.xml.
namespace kelbrin::app {

// Where the running client is found on the bus.
inline constexpr char kClientBusName[] = "net.kelbrin.Client";
inline constexpr char kClientBusPath[] = "/net/kelbrin/Client";
inline constexpr char kClientBusInterface[] = "net.kelbrin.Client1";
// The property that changes with every new service list.
inline constexpr char kServiceListSerial[] = "ServiceListSerial";

// The interface's own errors, beside the standard AccessDenied, InvalidArgs and LimitsExceeded.
inline constexpr char kErrorNotLoggedIn[] = "net.kelbrin.Client1.Error.NotLoggedIn";
inline constexpr char kErrorAlreadyLoggedIn[] = "net.kelbrin.Client1.Error.AlreadyLoggedIn";
inline constexpr char kErrorBusy[] = "net.kelbrin.Client1.Error.Busy";
inline constexpr char kErrorNoServiceList[] = "net.kelbrin.Client1.Error.NoServiceList";
inline constexpr char kErrorNoSuchLine[] = "net.kelbrin.Client1.Error.NoSuchLine";
inline constexpr char kErrorNoSavedAccount[] = "net.kelbrin.Client1.Error.NoSavedAccount";
inline constexpr char kErrorFailed[] = "net.kelbrin.Client1.Error.Failed";

// The line the client keeps: the stored one, and the state of the one it holds.
enum class LineState : std::uint32_t { None = 0, Connected = 1, NotConnected = 2 };
struct LineFacts {
  std::string kind;  // the stored line's kind, as the network page names it
  std::string name;
  std::string userName;
  bool autoConnect = false;
  LineState state = LineState::None;
};

// The client's properties (without ServiceListSerial) from its facts, and back. Reading keeps
// the defaults for what is missing or of another type (an older or newer service), and leaves
// the domain count unknown: whether a list has come the reader learns from GetServiceList.
platform::BusProperties PropertiesOf(const session::SessionFacts& facts, const LineFacts& line);
session::SessionFacts SessionFactsOf(const platform::BusProperties& properties);
LineFacts LineFactsOf(const platform::BusProperties& properties);

// Typed reads of one property; the default when it is missing or of another type.
std::string TextProperty(const platform::BusProperties& properties, const std::string& name);
std::uint32_t NumberProperty(const platform::BusProperties& properties, const std::string& name);
std::uint64_t TimeProperty(const platform::BusProperties& properties, const std::string& name);
bool FlagProperty(const platform::BusProperties& properties, const std::string& name);

// Microseconds since the epoch, 0 for the epoch itself ("none").
std::uint64_t BusTime(std::chrono::system_clock::time_point time);
std::chrono::system_clock::time_point FromBusTime(std::uint64_t microseconds);

}  // namespace kelbrin::app
