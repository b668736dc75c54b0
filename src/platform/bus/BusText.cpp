#include "platform/bus/BusText.h"

#include "platform/files/Utf8Check.h"

namespace kelbrin::platform {

namespace {

// C0 controls, DEL and the C1 controls U+0080…U+009F.
bool IsControl(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

}  // namespace

std::string BusSafeText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string safe;
  safe.reserve(text.size());
  while (!text.empty()) {
    std::size_t length = DecodeUtf8(text).length;
    if (length > 0) {
      safe.append(text.substr(0, length));
    } else {
      const auto byte = static_cast<unsigned char>(text.front());
      safe += "\\x";
      safe += kHex[byte >> 4];
      safe += kHex[byte & 0xF];
      length = 1;
    }
    text.remove_prefix(length);
  }
  return safe;
}

std::optional<std::string> BusTextBreach(std::string_view text, const BusTextBound& bound) {
  if (text.size() > bound.maxBytes) {
    return "longer than " + std::to_string(bound.maxBytes) + " bytes";
  }
  bool control = false;
  while (!text.empty()) {
    const Utf8Character character = DecodeUtf8(text);
    if (character.length == 0) return "not UTF-8";
    control = control || IsControl(character.code);
    text.remove_prefix(character.length);
  }
  if (control && !bound.controlsAllowed) return "holds a control character";
  return std::nullopt;
}

}  // namespace kelbrin::platform
