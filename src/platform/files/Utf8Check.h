#pragma once

#include <string_view>

namespace kelbrin::platform {

// Whether `text` is UTF-8 throughout: no overlong form, surrogate or code above U+10FFFF.
bool IsWellFormedUtf8(std::string_view text);

}  // namespace kelbrin::platform
