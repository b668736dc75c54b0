#pragma once

#include <memory>
#include <string>

#include "protocol/TGetServiceListResp.h"

namespace kelbrin::session {

// The display states of the tray icon.
// ConnectionFails: logged in, but the service has stopped answering the active tests.
enum class DisplayState { Offline, Logout, Online, ConnectionFails };

// What the main window shows of the session, as plain state owned by the controller's thread.
// The desktop window renders it; the headless run and the tests read it. Names follow the
// window's controls.
struct SessionView {
  // Account panel of the "User State" page.
  std::string Label25;             // State
  std::string Label26;             // User Type
  std::string Label27;             // IP
  std::string Label28;             // User ID
  std::string Label29;             // The Service Deadline
  bool Image1Visible = false;      // payment-notice icon
  bool labFKXZUrlVisible = false;  // payment-notice link

  // Login controls: the button, which controls are enabled, and what the controls hold.
  std::string BtnLogonCaption = "Login";
  bool EditUserNameEnabled = true;
  bool EditPasswordEnabled = true;
  bool ChkBoxRunAsServiceEnabled = false;
  bool ChkBoxStartupEnabled = false;
  std::string EditUserName;
  std::string EditPassword;
  bool ChkBoxSavePwd = false;
  bool ChkBoxStartup = false;
  bool ChkBoxRunAsService = false;
  bool suiCheckBoxUpdateSysInfo = true;
  // The control that has the focus after a refused input ("EditUserName", "EditPassword").
  std::string FocusedControl;
  // Off while a manual login is under way (the edits are disabled then too).
  bool BtnLogonEnabled = true;

  // A service-list fetch (at login or by "Refresh ") is under way.
  bool ServiceListFetching = false;

  // Tray icon: index in the tray image list and hint.
  int TrayIconIndex = 0;
  std::string TrayHint = "Kelbrin client V6.0";

  // The list the domain tree (TreeViewDNS) shows; none when cleared.
  std::shared_ptr<const protocol::TGetServiceListResp> DomainTree;
};

}  // namespace kelbrin::session
