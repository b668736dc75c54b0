#include "protocol/ResultCodes.h"

#include "runtime/Translate.h"

namespace kelbrin::protocol {

std::string ResultCodeMessage(int code) {
  switch (code) {
    case 1:
      return runtime::Translatable("Connection failure！");
    case 100:
      return runtime::Translatable("Please register first！");
    case 102:
      return runtime::Translatable("Password failure！");
    case 110:
      return runtime::Translatable("Invaild user type！");
    default:
      return runtime::Translatable("Host Information：unknown Error");
  }
}

}  // namespace kelbrin::protocol
