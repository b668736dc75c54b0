#pragma once

#include <string>

namespace kelbrin::protocol {

// The reply to "ActiveTestReq": the public address under which the service saw the client.
// The IP update worker reuses one object for its whole life and relies on missing elements
// keeping their earlier values.
class TActiveTestResp {
 public:
  std::string MsgType;
  std::string Version;
  std::string UserIP;
  std::string Result;

  // False, with nothing changed, when `text` is not well-formed XML. Otherwise true; every field
  // whose element is present takes its trimmed text and the others keep their values.
  bool ParseXml(const std::string& text);
};

}  // namespace kelbrin::protocol
