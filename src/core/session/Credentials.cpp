#include "session/Credentials.h"

#include "platform/files/TextTrim.h"

namespace kelbrin::session {

namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence starts one.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

}  // namespace

bool CredentialsUsable(std::string_view userName, std::string_view userPwd) {
  return !platform::TrimmedWhere(userName, platform::IsControlOrSpace).empty() &&
         CharacterCount(platform::TrimmedWhere(userPwd, platform::IsControlOrSpace)) >= 3;
}

bool HoldsControlCharacter(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

}  // namespace kelbrin::session
