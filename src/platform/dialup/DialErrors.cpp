#include "platform/dialup/DialErrors.h"

#include "platform/dialup/NmDialErrors.h"
#include "platform/dialup/PppdErrors.h"

namespace kelbrin::platform {

std::string DialErrorText(int code) {
  if (auto text = NmDialErrorText(code)) return *text;
  return PppdErrorText(code);
}

}  // namespace kelbrin::platform
