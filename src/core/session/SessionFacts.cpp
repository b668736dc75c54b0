#include "session/SessionFacts.h"

#include "runtime/Translate.h"

namespace kelbrin::session {

std::string_view SessionStateName(SessionState state) {
  switch (state) {
    case SessionState::LoggedOut:
      return "logged-out";
    case SessionState::LoggingIn:
      return "logging-in";
    case SessionState::Online:
      return "online";
    case SessionState::ConnectionFails:
      return "connection-fails";
    case SessionState::Refused:
      return "refused";
  }
  return "unknown";
}

void ShowLoginControls(bool loggedIn, SessionView& view) {
  view.BtnLogonCaption =
      loggedIn ? runtime::Translatable("Logout") : runtime::Translatable("Login");
  view.EditUserNameEnabled = !loggedIn;
  view.EditPasswordEnabled = !loggedIn;
  view.ChkBoxRunAsServiceEnabled = loggedIn;
  view.ChkBoxStartupEnabled = loggedIn;
}

void ShowDisplayState(DisplayState state, SessionView& view) {
  switch (state) {
    case DisplayState::Offline:
      view.TrayIconIndex = 0;
      view.TrayHint = runtime::Translatable("Kelbrin client V6.0 -- Offline");
      break;
    case DisplayState::Logout:
      view.TrayIconIndex = 0;
      view.TrayHint = runtime::Translatable("Kelbrin client V6.0 -- Logout");
      break;
    case DisplayState::Online:
      view.TrayIconIndex = 3;
      view.TrayHint = runtime::Translatable("Kelbrin client V6.0 -- Online");
      break;
    case DisplayState::ConnectionFails:
      view.TrayIconIndex = 1;
      view.TrayHint = runtime::Translatable("Kelbrin client V6.0 -- Connection fails！");
      break;
  }
}

void ShowAddress(const std::string& address, std::optional<std::uint32_t> domainCount,
                 SessionView& view) {
  view.Label27.clear();
  if (domainCount == 0u) {
    view.Label25 = runtime::Translatable("Please register first！");
  } else {
    view.Label27 = address;
  }
}

void ShowFacts(const SessionFacts& facts, std::chrono::year_month_day today, SessionView& view) {
  const bool loggedIn = IsLoggedIn(facts.state);
  const bool wasLoggedIn = view.BtnLogonCaption == runtime::Translatable("Logout");
  ShowLoginControls(loggedIn, view);
  const bool loggingIn = facts.state == SessionState::LoggingIn;
  view.BtnLogonEnabled = !loggingIn;
  if (loggingIn) {
    view.EditUserNameEnabled = false;
    view.EditPasswordEnabled = false;
  }
  if (loggedIn) {
    ShowDisplayState(
        facts.state == SessionState::Online ? DisplayState::Online : DisplayState::ConnectionFails,
        view);
  } else if (wasLoggedIn) {
    ShowDisplayState(DisplayState::Logout, view);
  }

  view.Label25.clear();
  view.Label26.clear();
  view.Label27.clear();
  view.Label28.clear();
  view.Label29.clear();
  view.Image1Visible = false;
  if (loggedIn && facts.account) {
    const AccountTexts texts = AccountTextsOf(*facts.account, today);
    view.Label25 = texts.State;
    view.Label26 = texts.UserType;
    view.Label28 = texts.UserID;
    view.Label29 = texts.Deadline.value_or("");
    view.Image1Visible = facts.paymentDue;
    ShowAddress(facts.address, facts.domainCount, view);
  }
  view.labFKXZUrlVisible = view.Image1Visible;

  view.EditUserName = facts.userName;
  view.ChkBoxSavePwd = facts.savePassword;
  view.ChkBoxStartup = facts.startWithDesktop;
  view.ChkBoxRunAsService = facts.runAsService;
  view.suiCheckBoxUpdateSysInfo = facts.reportSystemInfo;
  view.ServiceListFetching = facts.serviceListFetching;
}

}  // namespace kelbrin::session
