#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol/TNetworkInfoSchema.h"

namespace kelbrin::protocol {

// The network report ("PostNetworkInfoReq"): the envelope of TBaseReq followed by one
// NetworkInfo per adapter. Empty positions of NetworkInfos are allowed and skipped.
class TPostNetworkInfoReq {
 public:
  std::string MsgType;
  std::string Version;
  std::string UserName;
  std::string UserPwd;
  std::vector<std::optional<TNetworkInfoSchema>> NetworkInfos;

  // The document text for the current fields; every call starts from a fresh document.
  // Throws std::runtime_error when the document cannot be built.
  std::string ToXml() const;
};

}  // namespace kelbrin::protocol
