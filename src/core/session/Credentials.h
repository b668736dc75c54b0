#pragma once

#include <string_view>

#include "protocol/PelmarClient.h"
#include "runtime/Translate.h"
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

// A C0 control or DEL anywhere in `text`: the request's XML cannot carry it (XML 1.0 forbids
// most of them), so a user name or password holding one is refused before anything is sent.
bool HoldsControlCharacter(std::string_view text);

// What the user is told when a user name or password holds one.
inline constexpr const char* kControlCharactersRefused = runtime::Translatable(
    "The user name and the password must not contain control characters (such as Escape or a "
    "line end).");

}  // namespace kelbrin::session
