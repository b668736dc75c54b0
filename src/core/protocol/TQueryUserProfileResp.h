#pragma once

#include <string>

#include "protocol/TUserProfileSchema.h"

namespace kelbrin::protocol {

// The reply to "QueryUserProfileReq". A plain value: a successful reply is published to other
// threads as an immutable snapshot.
class TQueryUserProfileResp {
 public:
  std::string MsgType;
  std::string Version;
  std::string Result;
  TUserProfileSchema Profile;

  // False, with nothing changed, when `text` is not well-formed XML. Otherwise true; every field
  // whose element is present takes its trimmed text and the others keep their values.
  bool ParseXml(const std::string& text);
};

}  // namespace kelbrin::protocol
