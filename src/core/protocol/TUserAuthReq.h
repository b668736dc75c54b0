#pragma once

#include <string>

namespace kelbrin::protocol {

// The credential query ("QueryUserProfileReq"): the login check. Unlike TBaseReq it carries no
// Version but the client's own version last.
class TUserAuthReq {
 public:
  std::string MsgType;
  std::string UserName;
  std::string UserPwd;
  std::string ClientVersion;

  // The document text for the current fields; every call starts from a fresh document.
  // Throws std::runtime_error when the document cannot be built.
  std::string ToXml() const;
};

}  // namespace kelbrin::protocol
