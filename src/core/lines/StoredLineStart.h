#pragma once

#include "lines/TActiveLine.h"
#include "settings/ParamInfo.h"

namespace kelbrin::lines {

// What the client's start tells when the stored line cannot be started (a line problem: the
// window then shows the network settings page).
inline constexpr const char* kUnusualConnectionText =
    "unusual connection,！please check the network setting！";

// The line start of the client's initialisation: when auto-connect is on and a connection is
// named, starts the stored line (a stored type outside the table counts as no type at all).
// False when that start failed; true otherwise, also when nothing was to be started.
bool StartStoredLine(TActiveLine& holder, const settings::TParamInfo& settings);

}  // namespace kelbrin::lines
