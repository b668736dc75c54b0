#include "eventlog/LineText.h"

#include <cstddef>

#include "platform/files/Utf8Check.h"

namespace kelbrin::eventlog {

namespace {

// The bidirectional marks, embeddings, overrides and isolates: a terminal would reorder what
// follows them.
bool IsBidiControl(char32_t code) {
  return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) ||
         code == 0x200E || code == 0x200F || code == 0x061C;
}

// The length of the well-formed UTF-8 character at the start of `text` whose code point is
// printable (neither a C1 control nor a bidirectional control), or 0.
std::size_t PrintableSequenceLength(std::string_view text) {
  const platform::Utf8Character character = platform::DecodeUtf8(text);
  const bool c1 = character.code >= 0x80 && character.code <= 0x9F;
  return c1 || IsBidiControl(character.code) ? 0 : character.length;
}

void AppendHex(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += text[i++];
    } else if (c == '\n') {
      out += "\\n";
      ++i;
    } else if (c == '\r') {
      out += "\\r";
      ++i;
    } else if (c == '\t') {
      out += "\\t";
      ++i;
    } else if (const std::size_t length = c >= 0x80 ? PrintableSequenceLength(text.substr(i)) : 0;
               length > 0) {
      out += text.substr(i, length);
      i += length;
    } else {
      AppendHex(out, c);  // a C0 control, DEL, or a byte of a C1 or bidirectional control or of
                          // broken UTF-8
      ++i;
    }
  }
  return out;
}

}  // namespace kelbrin::eventlog
