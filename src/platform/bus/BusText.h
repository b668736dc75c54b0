#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/bus/BusService.h"

namespace kelbrin::platform {

// `text` as valid UTF-8: every byte that is not part of a well-formed character becomes "\xNN",
// as the journal shows it. sd-bus refuses to send a string that is not UTF-8.
std::string BusSafeText(std::string_view text);

// What is wrong with a string argument under `bound` ("longer than 256 bytes", "not UTF-8",
// "holds a control character"), or nothing. Looks at the bytes only, copies none.
std::optional<std::string> BusTextBreach(std::string_view text, const BusTextBound& bound);

}  // namespace kelbrin::platform
