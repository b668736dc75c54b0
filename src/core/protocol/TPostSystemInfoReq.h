#pragma once

#include <string>

#include "protocol/TSystemInfoSchema.h"

namespace kelbrin::protocol {

// The system report ("PostSystemInfoReq"): the envelope of TBaseReq followed by SystemInfo.
class TPostSystemInfoReq {
 public:
  std::string MsgType;
  std::string Version;
  std::string UserName;
  std::string UserPwd;
  TSystemInfoSchema SystemInfo;

  // The document text for the current fields; every call starts from a fresh document.
  // Throws std::runtime_error when the document cannot be built.
  std::string ToXml() const;
};

}  // namespace kelbrin::protocol
