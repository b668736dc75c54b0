#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelbrin::app {

// What a person typed on the command line or into standard input, from the locale's character set
// into the program's UTF-8, in place; an error message naming `what` when it does not convert.
std::string FromLocale(std::optional<std::string>& text, std::string_view what);

}  // namespace kelbrin::app
