#pragma once

#include <cstddef>
#include <string_view>

namespace kelbrin::platform {

// The well-formed UTF-8 character at the start of `text` (no overlong form, no surrogate,
// nothing above U+10FFFF): its length in bytes and its code point; length 0 when it is not one.
struct Utf8Character {
  std::size_t length = 0;
  char32_t code = 0;
};
Utf8Character DecodeUtf8(std::string_view text);

// Whether `text` is UTF-8 throughout: no overlong form, surrogate or code above U+10FFFF.
bool IsWellFormedUtf8(std::string_view text);

}  // namespace kelbrin::platform
