#include "protocol/TPostNetworkInfoReq.h"

#include "protocol/PelmarEnvelope.h"

namespace kelbrin::protocol {

std::string TPostNetworkInfoReq::ToXml() const {
  const PelmarEnvelope envelope(
      MsgType, {{"Version", Version}, {"UserName", UserName}, {"UserPwd", UserPwd}});
  for (const std::optional<TNetworkInfoSchema>& adapter : NetworkInfos) {
    if (adapter) adapter->AppendToNode(envelope.Packet());
  }
  return envelope.Text();
}

}  // namespace kelbrin::protocol
