#include "platform/files/KeyValueFormat.h"

#include <ini.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace kelbrin::platform::key_value_format {
namespace {

constexpr std::string_view kSection = "Kelbrinclient";
constexpr size_t kMaxNameLength = 64;
// Encoded bytes per line.
constexpr size_t kPieceLength = 96;
// The longest line written: `NAME = +"PIECE"` and its line end. inih reads at most INI_MAX_LINE
// bytes a line (the NUL included) and splits longer ones. Every piece repeats its full name:
// inih hands an indented continuation line the previous name from a buffer of 50 bytes, which
// would cut longer names.
constexpr size_t kLongestLine = kMaxNameLength + 4 + 1 + kPieceLength + 1 + 1;
static_assert(kLongestLine + 1 <= INI_MAX_LINE, "a written line must fit inih's line buffer");

constexpr std::string_view kHeader =
    "# Kelbrin client settings, written by the program (mode 0600: it holds passwords).\n"
    "# Each value is NAME = \"TEXT\"; a long one goes on over lines NAME = +\"TEXT\".\n"
    "# Inside the quotes \\\\ is a backslash and \\xHH the byte with the hex code HH\n"
    "# (control characters, ';' and '#' are always written so); other bytes are themselves.\n";

bool NeedsHexEscape(unsigned char c) { return c < 0x20 || c == 0x7f || c == ';' || c == '#'; }

// The escaped text, cut into pieces that never split an escape.
std::vector<std::string> EscapedPieces(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::vector<std::string> pieces(1);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    std::string escaped;
    if (c == '\\') {
      escaped = "\\\\";
    } else if (NeedsHexEscape(c)) {
      escaped = {'\\', 'x', kHex[c >> 4], kHex[c & 0xf]};
    } else {
      escaped = std::string(1, ch);
    }
    if (pieces.back().size() + escaped.size() > kPieceLength) pieces.emplace_back();
    pieces.back() += escaped;
  }
  return pieces;
}

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

// `"TEXT"` → TEXT unescaped; nullopt when it is not a well-formed quoted text.
std::optional<std::string> Unquote(std::string_view quoted) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return std::nullopt;
  const std::string_view body = quoted.substr(1, quoted.size() - 2);
  std::string text;
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\\') {
      text += body[i];
    } else if (i + 1 < body.size() && body[i + 1] == '\\') {
      text += '\\';
      i += 1;
    } else if (i + 3 < body.size() && body[i + 1] == 'x') {
      const auto high = HexDigit(body[i + 2]);
      const auto low = HexDigit(body[i + 3]);
      if (!high || !low) return std::nullopt;
      text += static_cast<char>(*high * 16 + *low);
      i += 3;
    } else {
      return std::nullopt;
    }
  }
  return text;
}

struct DecodeState {
  KeyValues values;
  std::string lastName;  // the value a "+" piece continues; empty after a damaged line
};

int OnValue(void* user, const char* section, const char* name, const char* value) {
  auto& state = *static_cast<DecodeState*>(user);
  const std::string key(name);
  const std::string_view raw(value);
  if (section != kSection || !IsValidName(key)) {
    state.lastName.clear();
    return 1;
  }
  if (!raw.empty() && raw.front() == '+') {
    const auto piece = Unquote(raw.substr(1));
    if (piece && key == state.lastName) {
      state.values[key] += *piece;
    } else {
      // A piece without its beginning: the value is damaged, keep none of it.
      state.values.erase(key);
      state.lastName.clear();
    }
    return 1;
  }
  if (const auto text = Unquote(raw)) {
    state.values[key] = *text;
    state.lastName = key;
  } else {
    state.lastName.clear();
  }
  return 1;
}

}  // namespace

bool IsValidName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxNameLength &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '_';
         });
}

std::string Encode(const KeyValues& values) {
  std::string text(kHeader);
  text += "[";
  text += kSection;
  text += "]\n";
  for (const auto& [name, value] : values) {
    const auto pieces = EscapedPieces(value);
    text += name + " = \"" + pieces.front() + "\"\n";
    for (size_t i = 1; i < pieces.size(); ++i) text += name + " = +\"" + pieces[i] + "\"\n";
  }
  return text;
}

KeyValues Decode(const std::string& text) {
  // inih reads up to the first NUL; a file with one is not ours.
  if (text.find('\0') != std::string::npos) return {};
  DecodeState state;
  ini_parse_string(text.c_str(), OnValue, &state);
  return std::move(state.values);
}

}  // namespace kelbrin::platform::key_value_format
