#include "platform/process/InvokingAccount.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/files/ConfigHome.h"

namespace kelbrin::platform {

std::optional<Account> InvokingAccount() {
  if (!RunsAsRoot()) return std::nullopt;
  const char* text = std::getenv("PKEXEC_UID");
  if (text == nullptr) text = std::getenv("SUDO_UID");
  if (text == nullptr) return std::nullopt;
  uid_t uid = 0;
  const char* end = text + std::strlen(text);
  const auto [last, ec] = std::from_chars(text, end, uid);
  if (ec != std::errc() || last != end || uid == 0) return std::nullopt;

  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  return Account{entry.pw_name, entry.pw_dir};
}

}  // namespace kelbrin::platform
