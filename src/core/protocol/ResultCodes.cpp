#include "protocol/ResultCodes.h"

namespace kelbrin::protocol {

std::string ResultCodeMessage(int code) {
  switch (code) {
    case 1:
      return "Connection failure！";
    case 100:
      return "Please register first！";
    case 102:
      return "Password failure！";
    case 110:
      return "Invaild user type！";
    default:
      return "Host Information：unknown Error";
  }
}

}  // namespace kelbrin::protocol
