#pragma once

#include <string>

namespace kelbrin::protocol {

// The general request: "ActiveTestReq", "GetServiceListReq". A worker may keep one and refresh
// its fields before every send.
class TBaseReq {
 public:
  std::string MsgType;
  std::string Version;
  std::string UserName;
  std::string UserPwd;

  // The document text for the current fields; every call starts from a fresh document.
  // Throws std::runtime_error when the document cannot be built.
  std::string ToXml() const;
};

}  // namespace kelbrin::protocol
