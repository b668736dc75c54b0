#pragma once

#include <string>

#include "settings/ParamInfo.h"

namespace kelbrin::session {

struct Credentials {
  std::string UserName;
  std::string UserPwd;
};

// The saved credentials as the workers send them, copied from the current settings record at
// the moment of the call, so a concurrent save cannot change them half-way.
inline Credentials CurrentCredentials() {
  const settings::TParamInfo record = settings::ParamInfo().snapshot();
  return {record.UserName, record.UserPwd};
}

}  // namespace kelbrin::session
