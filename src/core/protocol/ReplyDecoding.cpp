#include "protocol/ReplyDecoding.h"

#include <algorithm>

#include "platform/files/CodePage.h"

namespace kelbrin::protocol {

std::string DecodeXmlReply(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::string encoding = "UTF-8";
  if (bytes.starts_with("\xFF\xFE")) encoding = "UTF-16LE";
  if (bytes.starts_with("\xFE\xFF")) encoding = "UTF-16BE";
  if (encoding != "UTF-8") bytes.remove_prefix(2);
  return platform::CodePage::Named(encoding).ToUtf8(bytes);
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
