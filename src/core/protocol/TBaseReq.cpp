#include "protocol/TBaseReq.h"

#include "protocol/PelmarEnvelope.h"

namespace kelbrin::protocol {

std::string TBaseReq::ToXml() const {
  return PelmarEnvelope(MsgType,
                        {{"Version", Version}, {"UserName", UserName}, {"UserPwd", UserPwd}})
      .Text();
}

}  // namespace kelbrin::protocol
