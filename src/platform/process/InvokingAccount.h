#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kelbrin::platform {

struct Account {
  std::string name;
  std::filesystem::path home;
};

// When this process runs as root on behalf of another user, through pkexec (PKEXEC_UID) or sudo
// (SUDO_UID): that user's account. nullopt otherwise, also for an id the system does not know.
std::optional<Account> InvokingAccount();

}  // namespace kelbrin::platform
