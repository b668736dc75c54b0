#include "protocol/ReplyDecoding.h"

#include <algorithm>

#include "platform/files/CodePage.h"
#include "platform/files/Utf8Check.h"

namespace kelbrin::protocol {

std::string DecodeXmlReply(std::string bytes) {
  std::string_view text = bytes;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::string encoding = "UTF-8";
  if (text.starts_with("\xFF\xFE")) encoding = "UTF-16LE";
  if (text.starts_with("\xFE\xFF")) encoding = "UTF-16BE";
  if (encoding != "UTF-8") {
    text.remove_prefix(2);
  } else if (platform::IsWellFormedUtf8(text)) {
    bytes.erase(0, bytes.size() - text.size());
    return bytes;
  }
  return platform::CodePage::Named(encoding).ToUtf8(text);
}

std::string DecodeRawReply(std::string_view bytes) {
  std::string text = platform::SystemCodePage().ToUtf8(bytes);
  text.resize(std::min(text.size(), text.find('\0')));
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && ++characters > kRawReplyCharacters) {
      text.resize(i);
      break;
    }
  }
  return text;
}

}  // namespace kelbrin::protocol
