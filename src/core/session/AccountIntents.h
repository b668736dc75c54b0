#pragma once

#include <string>

namespace kelbrin::session {

// What the account panel (user name, password, login button) asks of the session.
// Controller's thread only.
class AccountIntents {
 public:
  virtual ~AccountIntents() = default;
  // The login button (and Enter in the password edit, menu Login/Cancel). Does nothing while a
  // login is under way.
  virtual void BtnLogonClick() = 0;
  // The user entered or edited the user name or password: auto-logon stops at once.
  virtual void EditEntered() = 0;
  virtual void SetEditUserName(std::string text) = 0;
  virtual void SetEditPassword(std::string text) = 0;
};

}  // namespace kelbrin::session
