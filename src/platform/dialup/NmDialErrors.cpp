#include "platform/dialup/NmDialErrors.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <utility>

namespace kelbrin::platform {
namespace {

// nmcli's documented exit statuses.
constexpr std::array<std::pair<int, const char*>, 9> kExitTexts{{
    {1, "NetworkManager: nmcli ended with an unknown error"},
    {2, "NetworkManager: nmcli did not accept its arguments"},
    {3, "NetworkManager: the connection was not activated in time"},
    {4, "NetworkManager: the connection could not be activated"},
    {5, "NetworkManager: the connection could not be deactivated"},
    {6, "NetworkManager: the device could not be disconnected"},
    {7, "NetworkManager: the connection could not be deleted"},
    {8, "NetworkManager is not running"},
    {10, "NetworkManager: no such connection"},
}};

constexpr std::array<std::pair<int, const char*>, 5> kOwnTexts{{
    {kNmcliNotStartable,
     "nmcli cannot be started: dialling a NetworkManager connection needs nmcli installed"},
    {kNmAuthFailed,
     "NetworkManager: authentication failed: the user name or password was not accepted"},
    {kNmNotAuthorized,
     "NetworkManager: this user is not allowed to activate the connection (polkit)"},
    {kNmLinkNotUp, "NetworkManager reported the connection up but its interface holds no address"},
    {kNmProfileUserName,
     "NetworkManager dials with the user name of its connection profile, not the line's"},
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
