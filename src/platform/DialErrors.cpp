#include "platform/DialErrors.h"

#include "platform/NmDialErrors.h"
#include "platform/PppdErrors.h"

namespace kelbrin::platform {

std::string DialErrorText(int code) {
  if (auto text = NmDialErrorText(code)) return *text;
  return PppdErrorText(code);
}

}  // namespace kelbrin::platform
