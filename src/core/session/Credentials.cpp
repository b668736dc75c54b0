#include "session/Credentials.h"

namespace kelbrin::session {

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Characters of UTF-8 text: every byte that does not continue a sequence starts one.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

}  // namespace

bool CredentialsUsable(std::string_view userName, std::string_view userPwd) {
  return !Trimmed(userName).empty() && CharacterCount(Trimmed(userPwd)) >= 3;
}

}  // namespace kelbrin::session
