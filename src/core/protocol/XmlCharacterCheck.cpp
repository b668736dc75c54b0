#include "protocol/XmlCharacterCheck.h"

#include <cstdint>

#include "runtime/AsciiChars.h"

namespace kelbrin::protocol {

namespace {

bool IsXmlCharacter(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The byte at `at` and its successor form no character XML allows: a C0 control byte other
// than tab, LF and CR, or the first bytes of U+FFFE, U+FFFF or a surrogate.
bool StartsForbiddenCharacter(std::string_view text, std::size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  if (byte < 0x20) return byte != 0x9 && byte != 0xA && byte != 0xD;
  if ((byte != 0xEF && byte != 0xED) || at + 2 >= text.size()) return false;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  const auto third = static_cast<unsigned char>(text[at + 2]);
  if (byte == 0xED) return second >= 0xA0;  // U+D800..U+DFFF
  return second == 0xBF && (third == 0xBE || third == 0xBF);
}

// The reference starting with '&' at the front of `text` is one XML knows and, for a character
// reference, names an XML character.
bool IsKnownReference(std::string_view text) {
  // Up to the first character that cannot be part of one: the scan stays linear.
  std::size_t end = 1;
  while (end < text.size() && (text[end] == '#' || runtime::IsAsciiAlnum(text[end]))) ++end;
  if (end == text.size() || text[end] != ';') return false;
  const std::string_view name = text.substr(1, end - 1);
  if (name == "lt" || name == "gt" || name == "amp" || name == "apos" || name == "quot") {
    return true;
  }
  if (name.size() < 2 || name[0] != '#') return false;
  const bool hex = name[1] == 'x';
  const std::string_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty()) return false;
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int digit = hex ? runtime::AsciiHexValue(c) : (runtime::IsAsciiDigit(c) ? c - '0' : -1);
    if (digit < 0) return false;
    value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    if (value > 0x10FFFF) return false;
  }
  return IsXmlCharacter(value);
}

enum class Context { Content, Tag, Comment, CData, Instruction, Doctype };

}  // namespace

bool HasOnlyXmlCharactersAndReferences(std::string_view text) {
  Context context = Context::Content;
  char quote = 0;            // inside a quoted value of a tag or the DOCTYPE
  int brackets = 0;          // depth inside the DOCTYPE's internal subset
  std::string_view closing;  // what ends a comment, CDATA section or instruction
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (StartsForbiddenCharacter(text, i)) return false;
    const char c = text[i];
    const std::string_view rest = text.substr(i);
    switch (context) {
      case Context::Content:
        if (c == '&' && !IsKnownReference(rest)) return false;
        if (c != '<') break;
        if (rest.starts_with("<!--")) {
          context = Context::Comment, closing = "-->";
        } else if (rest.starts_with("<![CDATA[")) {
          context = Context::CData, closing = "]]>";
        } else if (rest.starts_with("<?")) {
          context = Context::Instruction, closing = "?>";
        } else if (rest.starts_with("<!")) {
          context = Context::Doctype;
        } else {
          context = Context::Tag;
        }
        break;
      case Context::Tag:
        if (quote != 0) {
          if (c == quote) quote = 0;
          if (c == '&' && !IsKnownReference(rest)) return false;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          context = Context::Content;
        }
        break;
      case Context::Doctype:
        if (quote != 0) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '[') {
          ++brackets;
        } else if (c == ']') {
          --brackets;
        } else if (c == '>' && brackets <= 0) {
          context = Context::Content;
          brackets = 0;
        }
        break;
      default:  // comment, CDATA section, instruction: only their end matters
        if (rest.starts_with(closing)) {
          i += closing.size() - 1;
          context = Context::Content;
        }
        break;
    }
  }
  return true;
}

}  // namespace kelbrin::protocol
