#pragma once

#include <string_view>

namespace kelbrin::platform {

// Blank sets for Trimmed: white space with line ends, and HTTP's optional white space.
inline constexpr std::string_view kWhiteSpace = " \t\r\n";
inline constexpr std::string_view kSpacesAndTabs = " \t";

// The text without the characters for which `isBlank` holds at either end.
template <typename IsBlank>
constexpr std::string_view TrimmedWhere(std::string_view text, IsBlank isBlank) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The text without the characters of `blanks` at either end.
constexpr std::string_view Trimmed(std::string_view text, std::string_view blanks = kWhiteSpace) {
  return TrimmedWhere(text, [blanks](char c) { return blanks.find(c) != std::string_view::npos; });
}

// The text without the characters of `blanks` at its end.
constexpr std::string_view TrimmedEnd(std::string_view text, std::string_view blanks) {
  while (!text.empty() && blanks.find(text.back()) != std::string_view::npos) text.remove_suffix(1);
  return text;
}

// A blank or a control character: every byte up to the space.
constexpr bool IsControlOrSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace kelbrin::platform
