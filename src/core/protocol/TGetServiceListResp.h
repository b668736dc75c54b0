#pragma once

#include <string>
#include <vector>

#include "protocol/TDomainInfoSchema.h"

namespace kelbrin::protocol {

// The reply to "GetServiceListReq": the subscriber's domain names. A plain value: a successful
// reply is published to other threads as an immutable snapshot.
class TGetServiceListResp {
 public:
  std::string MsgType;
  std::string Version;
  std::string Result;
  std::string UserID;
  std::vector<TDomainInfoSchema> DomainInfos;

  // False, with nothing changed, when `text` is not well-formed XML. Otherwise true; every plain
  // field whose element is present takes its trimmed text and the others keep their values, and
  // DomainInfos is rebuilt from the DomainInfo elements (empty when there are none), whatever the
  // Result.
  bool ParseXml(const std::string& text);
};

}  // namespace kelbrin::protocol
