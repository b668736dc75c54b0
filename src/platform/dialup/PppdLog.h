#pragma once

#include <optional>
#include <string_view>

namespace kelbrin::platform {

// Dial states as the dialer reports them (the numbers of its status-text tables).
inline constexpr int kDialOpeningPort = 0;
inline constexpr int kDialPortOpened = 1;
inline constexpr int kDialConnectingDevice = 2;
inline constexpr int kDialDeviceConnected = 3;
inline constexpr int kDialAllDevicesConnected = 4;
inline constexpr int kDialAuthenticate = 5;
inline constexpr int kDialAuthenticated = 14;
inline constexpr int kDialProjected = 18;
inline constexpr int kDialConnected = 8192;
inline constexpr int kDialDisconnected = 8193;

// The dial state one of pppd's own log lines shows, nullopt for a line that shows none.
std::optional<int> PppdLogState(std::string_view line);

}  // namespace kelbrin::platform
