#include "protocol/Utilities.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "platform/files/TextTrim.h"
#include "protocol/XmlDocument.h"
#include "runtime/AsciiChars.h"

namespace kelbrin::protocol {

namespace {

// The digits at [pos, pos + length) of a text already known to hold only digits.
unsigned DigitsAt(std::string_view text, std::size_t pos, std::size_t length) {
  unsigned value = 0;
  for (char c : text.substr(pos, length)) value = value * 10 + static_cast<unsigned>(c - '0');
  return value;
}

}  // namespace

int IntOrDefault(std::string_view text, int def) {
  std::string_view digits = platform::Trimmed(text);
  // from_chars takes '-' but not '+'.
  if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-') digits.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return def;
  return value;
}

bool IsWellFormedXml(std::string_view text) {
  try {
    return XmlDocument().Load(text);
  } catch (...) {  // out of memory: not a document we can use
    return false;
  }
}

std::chrono::year_month_day DateFromYmd(std::string_view text) {
  if (text.size() != 8 || !std::all_of(text.begin(), text.end(), runtime::IsAsciiDigit)) {
    throw std::invalid_argument("not a yyyymmdd date: " + std::string(text));
  }
  const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(DigitsAt(text, 0, 4))),
                                         std::chrono::month(DigitsAt(text, 4, 2)),
                                         std::chrono::day(DigitsAt(text, 6, 2))};
  // Year 0 does not exist on the calendar the service writes.
  if (!date.ok() || date.year() < std::chrono::year(1)) {
    throw std::invalid_argument("no such date: " + std::string(text));
  }
  return date;
}

std::string RepeatChar(char ch, int count) {
  return count > 0 ? std::string(static_cast<std::size_t>(count), ch) : std::string();
}

}  // namespace kelbrin::protocol
