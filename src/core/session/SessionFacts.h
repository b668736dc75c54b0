#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "session/ProfileDisplay.h"
#include "session/SessionView.h"

namespace kelbrin::session {

// Where the session stands. The numbers are the bus's (State of net.kelbrin.Client1): never
// renumber.
enum class SessionState : std::uint32_t {
  LoggedOut = 0,
  LoggingIn = 1,
  Online = 2,
  ConnectionFails = 3,  // logged in, but the active tests go unanswered
  Refused = 4,          // logged out because the service refused the account
};
inline constexpr std::uint32_t kSessionStateCount = 5;
// "logged-out", "logging-in", "online", "connection-fails", "refused".
std::string_view SessionStateName(SessionState state);
inline bool IsLoggedIn(SessionState state) {
  return state == SessionState::Online || state == SessionState::ConnectionFails;
}

// The session as facts: what the service tells about itself and a front-end turns into words.
struct SessionFacts {
  SessionState state = SessionState::LoggedOut;
  std::string userName;
  // Logged in with a profile.
  std::optional<AccountFacts> account;
  bool paymentDue = false;
  std::string address;
  std::chrono::system_clock::time_point addressSince{};
  // While the connection fails: when the service last answered.
  std::chrono::system_clock::time_point lastAnswer{};
  std::string lastError;
  // None before the first service list of the session.
  std::optional<std::uint32_t> domainCount;
  bool serviceListFetching = false;
  bool savePassword = false;
  bool startWithDesktop = false;
  bool runAsService = false;
  bool reportSystemInfo = true;
};

// The login controls of a logged-in or logged-out session.
void ShowLoginControls(bool loggedIn, SessionView& view);
// The tray's image and hint of a display state.
void ShowDisplayState(DisplayState state, SessionView& view);
// The account panel's address line: the address, or "Please register first！" (and no address)
// once a service list without domains has arrived.
void ShowAddress(const std::string& address, std::optional<std::uint32_t> domainCount,
                 SessionView& view);

// The one rule from the facts to what the window shows of the session (account panel, login
// controls, settings boxes, tray), for a window that shows another process's session. `view`
// keeps what the facts do not say (the password typed, the domain tree).
void ShowFacts(const SessionFacts& facts, std::chrono::year_month_day today, SessionView& view);

}  // namespace kelbrin::session
