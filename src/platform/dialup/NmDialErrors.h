#pragma once

#include <optional>
#include <string>

namespace kelbrin::platform {

// Error codes of dialling through NetworkManager, beside pppd's (PppdErrors.h): nmcli's exit
// status N becomes kNmcliExitBase + N; the codes above kNmOwnBase are the dialer's own. The codes
// both facilities share (password unusable, private folder, no such link, cancelled) stay
// pppd's.
inline constexpr int kNmcliExitBase = 1400;
inline constexpr int kNmOwnBase = 1500;

enum NmDialError : int {
  kNmcliNotStartable = kNmOwnBase + 1,  // nmcli missing or not executable
  kNmAuthFailed = kNmOwnBase + 2,       // NetworkManager said the secrets were not accepted
  kNmNotAuthorized = kNmOwnBase + 3,    // polkit did not allow this user to activate it
  kNmLinkNotUp = kNmOwnBase + 4,        // activated, but no interface with an address
  kNmProfileUserName = kNmOwnBase + 5,  // a notice: the profile's own user name is used
};

// The error code for nmcli's exit status (0 stays 0).
int NmcliExitCode(int exitStatus);

// The code of a failed `nmcli connection up`, from its exit status and what it printed: an
// activation failure reads as an authentication failure, or as a refusal by polkit, where
// NetworkManager's message says so.
int NmActivationFailure(int exitStatus, const std::string& message);

// The text of a code of this range; nullopt for a code outside it.
std::optional<std::string> NmDialErrorText(int code);

}  // namespace kelbrin::platform
