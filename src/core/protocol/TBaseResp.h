#pragma once

#include <string>

namespace kelbrin::protocol {

// The plain reply, read for the reports ("PostSystemInfoReq", "PostNetworkInfoReq").
class TBaseResp {
 public:
  std::string MsgType;
  std::string Version;
  std::string Result;

  // False, with nothing changed, when `text` is not well-formed XML. Otherwise true; every field
  // whose element is present takes its trimmed text and the others keep their values.
  bool ParseXml(const std::string& text);
};

}  // namespace kelbrin::protocol
