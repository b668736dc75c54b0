#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace kelbrin::protocol {

// The decimal integer in `text` (optional sign, digits, surrounding blanks allowed); `def` when
// the text is anything else or does not fit an int. Result codes arrive as text, so a missing or
// garbled code falls back to `def` (1 there: a connection failure).
int IntOrDefault(std::string_view text, int def);

// True when `text` (UTF-8) loads into a fresh XmlDocument: one well-formed element tree. No DTD is
// processed and no entity is expanded, so hostile input cannot make the parser fetch or expand.
bool IsWellFormedXml(std::string_view text);

// The date written as yyyymmdd (exactly eight ASCII digits). Throws std::invalid_argument for any
// other text and for a day that does not exist ("20080230").
std::chrono::year_month_day DateFromYmd(std::string_view text);

// `count` copies of `ch`; empty for a count of 0 or less.
std::string RepeatChar(char ch, int count);

}  // namespace kelbrin::protocol
