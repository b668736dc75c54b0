#pragma once

#include <string>

namespace kelbrin::protocol {

// The reply to "GetVersionReq": VersionInfo is the newest client version.
class TGetVersionResp {
 public:
  std::string MsgType;
  std::string Version;
  std::string VersionInfo;
  std::string UpdateTime;
  std::string Result;

  // False, with nothing changed, when `text` is not well-formed XML. Otherwise true; every field
  // whose element is present takes its trimmed text and the others keep their values.
  bool ParseXml(const std::string& text);
};

}  // namespace kelbrin::protocol
