#include "platform/dialup/PppdLog.h"

#include <array>
#include <utility>

namespace kelbrin::platform {
namespace {

// Fragments of pppd's notice and debug lines, in the order a dial shows them.
constexpr std::array<std::pair<std::string_view, int>, 12> kLineStates{{
    {"started by", kDialOpeningPort},
    {"Using interface", kDialPortOpened},
    {"PADI", kDialConnectingDevice},
    {"Serial connection established", kDialDeviceConnected},
    {"PPP session is", kDialDeviceConnected},
    {"Connect: ", kDialAllDevicesConnected},
    {"sent [PAP AuthReq", kDialAuthenticate},
    {"sent [CHAP Response", kDialAuthenticate},
    {"authentication succeeded", kDialAuthenticated},
    {"local  IP address", kDialProjected},
    {"Connection terminated", kDialDisconnected},
    {"Modem hangup", kDialDisconnected},
}};

}  // namespace

std::optional<int> PppdLogState(std::string_view line) {
  for (const auto& [fragment, state] : kLineStates) {
    if (line.find(fragment) != std::string_view::npos) return state;
  }
  return std::nullopt;
}

}  // namespace kelbrin::platform
