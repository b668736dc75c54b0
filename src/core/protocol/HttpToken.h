#pragma once

#include <string_view>

#include "runtime/AsciiChars.h"

namespace kelbrin::protocol {

// A character of an HTTP token (methods, header names).
inline bool IsHttpTokenCharacter(char c) {
  constexpr std::string_view kSymbols = "!#$%&'*+-.^_`|~";
  return runtime::IsAsciiAlnum(c) || kSymbols.find(c) != std::string_view::npos;
}

}  // namespace kelbrin::protocol
