#include "eventlog/LineText.h"

#include <cstddef>

namespace kelbrin::eventlog {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at the start of `text` whose code point is printable
// (not a C1 control), or 0. Overlong forms and surrogates count as invalid.
std::size_t PrintableSequenceLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  char32_t codePoint = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!IsContinuation(c)) return 0;
    codePoint = (codePoint << 6) | (c & 0x3F);
  }
  const bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  const bool c1 = codePoint >= 0x80 && codePoint <= 0x9F;
  if (overlong || surrogate || c1 || codePoint > 0x10FFFF) return 0;
  return length;
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
      AppendHex(out, c);  // a C0 control, DEL, or a byte of a C1 control or of broken UTF-8
      ++i;
    }
  }
  return out;
}

}  // namespace kelbrin::eventlog
