#include "protocol/TPostSystemInfoReq.h"

#include "protocol/PelmarEnvelope.h"

namespace kelbrin::protocol {

std::string TPostSystemInfoReq::ToXml() const {
  const PelmarEnvelope envelope(
      MsgType, {{"Version", Version}, {"UserName", UserName}, {"UserPwd", UserPwd}});
  SystemInfo.AppendToNode(envelope.Packet());
  return envelope.Text();
}

}  // namespace kelbrin::protocol
