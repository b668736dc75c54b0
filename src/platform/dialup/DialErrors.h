#pragma once

#include <string>

namespace kelbrin::platform {

// The text of any dial-up error code, pppd's (PppdErrors.h) or NetworkManager's (NmDialErrors.h);
// "Unknown dial-up error N" for a code without one.
std::string DialErrorText(int code);

}  // namespace kelbrin::platform
