#pragma once

// The client's bus interface as both sides know it: the service that publishes it and the
// desktop (or --status) that reads it.
namespace kelbrin::app {

// Where the running client is found on the bus.
inline constexpr char kClientBusName[] = "net.kelbrin.Client";
inline constexpr char kClientBusPath[] = "/net/kelbrin/Client";
inline constexpr char kClientBusInterface[] = "net.kelbrin.Client1";
// The property that changes with every new service list the window would show.
inline constexpr char kServiceListSerial[] = "ServiceListSerial";

}  // namespace kelbrin::app
