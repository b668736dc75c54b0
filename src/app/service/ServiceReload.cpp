#include "app/service/ServiceReload.h"

#include "settings/ParamInfoStorage.h"

namespace kelbrin::app {

void ReloadSettings(client::ClientRoot& root) {
  const settings::TParamInfo record = settings::LoadParamInfo();
  session::SessionController& session = root.Session();
  root.Settings().Update(record);
  session.SetChkBoxSavePwd(record.SavePwd);
  session.SetChkBoxStartup(record.AutoRunAsOSStart);
  session.SetChkBoxRunAsService(record.AsService);
  session.SetSuiCheckBoxUpdateSysInfo(record.UpdateSysInfo);
  const std::string password = record.SavePwd ? record.UserPwd : std::string();
  const bool loggedIn = session.Mark() == 1;
  const bool sameAccount = record.UserName == session.View().EditUserName;
  if (loggedIn && sameAccount) {
    // The session stays valid; a password changed meanwhile is the one the next log-on sends.
    if (!password.empty()) session.SetEditPassword(password);
    return;
  }
  session.SetEditUserName(record.UserName);
  session.SetEditPassword(password);
  // Logged off without forgetting the saved password, which a log-off by hand would.
  if (loggedIn) session.DoLogout(false);
  // Nothing to log on with, or a log-on already under way.
  if (password.empty() || !session.View().BtnLogonEnabled) return;
  session.BtnLogonClick();
}

}  // namespace kelbrin::app
