#include "platform/dialup/NmDialErrors.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <utility>

#include "platform/files/Translatable.h"

namespace kelbrin::platform {
namespace {

// nmcli's documented exit statuses.
constexpr std::array<std::pair<int, const char*>, 9> kExitTexts{{
    {1, Translatable("NetworkManager: nmcli ended with an unknown error")},
    {2, Translatable("NetworkManager: nmcli did not accept its arguments")},
    {3, Translatable("NetworkManager: the connection was not activated in time")},
    {4, Translatable("NetworkManager: the connection could not be activated")},
    {5, Translatable("NetworkManager: the connection could not be deactivated")},
    {6, Translatable("NetworkManager: the device could not be disconnected")},
    {7, Translatable("NetworkManager: the connection could not be deleted")},
    {8, Translatable("NetworkManager is not running")},
    {10, Translatable("NetworkManager: no such connection")},
}};

constexpr std::array<std::pair<int, const char*>, 5> kOwnTexts{{
    {kNmcliNotStartable,
     Translatable(
         "nmcli cannot be started: dialling a NetworkManager connection needs nmcli installed")},
    {kNmAuthFailed,
     Translatable(
         "NetworkManager: authentication failed: the user name or password was not accepted")},
    {kNmNotAuthorized,
     Translatable("NetworkManager: this user is not allowed to activate the connection (polkit)")},
    {kNmLinkNotUp,
     Translatable("NetworkManager reported the connection up but its interface holds no address")},
    {kNmProfileUserName,
     Translatable(
         "NetworkManager dials with the user name of its connection profile, not the line's")},
}};

// NetworkManager's reasons that mean the secrets were refused ("Secrets were required, but not
// provided", "Invalid secrets", "No valid secrets") and those of a refused authorisation.
constexpr std::array<std::string_view, 2> kAuthenticationWords{"secrets", "authentication"};
constexpr std::array<std::string_view, 2> kAuthorisationWords{"not authorized",
                                                              "insufficient privileges"};

bool Mentions(const std::string& lowerMessage, const auto& words) {
  return std::any_of(words.begin(), words.end(), [&](std::string_view word) {
    return lowerMessage.find(word) != std::string::npos;
  });
}

}  // namespace

int NmcliExitCode(int exitStatus) { return exitStatus == 0 ? 0 : kNmcliExitBase + exitStatus; }

int NmActivationFailure(int exitStatus, const std::string& message) {
  constexpr int kActivationFailed = 4;
  if (exitStatus == kActivationFailed) {
    std::string lower = message;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (Mentions(lower, kAuthorisationWords)) return kNmNotAuthorized;
    if (Mentions(lower, kAuthenticationWords)) return kNmAuthFailed;
  }
  return NmcliExitCode(exitStatus);
}

std::optional<std::string> NmDialErrorText(int code) {
  if (code <= kNmcliExitBase || code >= kNmOwnBase + 100) return std::nullopt;
  for (const auto& [status, text] : kExitTexts) {
    if (NmcliExitCode(status) == code) return text;
  }
  for (const auto& [own, text] : kOwnTexts) {
    if (own == code) return text;
  }
  if (code < kNmOwnBase) {
    return "NetworkManager: nmcli ended with exit status " + std::to_string(code - kNmcliExitBase);
  }
  return "Unknown dial-up error " + std::to_string(code);
}

}  // namespace kelbrin::platform
