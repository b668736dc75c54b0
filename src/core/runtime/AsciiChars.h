#pragma once

namespace kelbrin::runtime {

// Character classes of ASCII only: URLs, HTTP heads and dates are read this way, whatever the
// process's locale says of other bytes.
inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

inline bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

inline bool IsAsciiAlnum(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }

// 0..15 for a hexadecimal digit of either case, -1 for anything else.
inline int AsciiHexValue(char c) {
  if (IsAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace kelbrin::runtime
