#pragma once

#include <string_view>

#include "protocol/PelmarClient.h"
#include "settings/ParamInfo.h"

namespace kelbrin::session {

// The saved credentials as the workers send them, copied from the current settings record at
// the moment of the call, so a concurrent save cannot change them half-way.
inline protocol::Credentials CurrentCredentials(const settings::ParamInfoStore& settings) {
  const settings::TParamInfo record = settings.Snapshot();
  return {record.UserName, record.UserPwd};
}

// The check before a login, of the window and of the one-shot command alike: a user name that is
// not blank and a password of at least three characters (not bytes), both without the blanks
// and control characters at either end.
bool CredentialsUsable(std::string_view userName, std::string_view userPwd);

}  // namespace kelbrin::session
