#include "protocol/TUserAuthReq.h"

#include "protocol/PelmarEnvelope.h"

namespace kelbrin::protocol {

std::string TUserAuthReq::ToXml() const {
  return PelmarEnvelope(
             MsgType,
             {{"UserName", UserName}, {"UserPwd", UserPwd}, {"ClientVersion", ClientVersion}})
      .Text();
}

}  // namespace kelbrin::protocol
