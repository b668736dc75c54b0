#include "lines/TLanLine.h"

#include "lines/NetHelpers.h"

namespace kelbrin::lines {

bool TLanLine::GetActive() { return IsNetReachable(); }

}  // namespace kelbrin::lines
