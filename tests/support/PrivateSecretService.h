#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kelbrin::test {

// A session bus of the test's own (dbus-daemon in `dir`, nothing activatable on it) and, when
// asked for, a Secret Service on it: gnome-keyring-daemon with a fresh keyring in `dir`, unlocked
// with a known password. Both are ended (by their pids) when it goes.
class PrivateSecretService {
 public:
  PrivateSecretService(const std::filesystem::path& dir, bool withKeyring);
  ~PrivateSecretService();
  PrivateSecretService(const PrivateSecretService&) = delete;
  PrivateSecretService& operator=(const PrivateSecretService&) = delete;

  // Why it cannot be tried here (a program is not installed), for the test's skip message.
  const std::string& Missing() const { return missing_; }
  // Empty when everything asked for runs; else what went wrong.
  const std::string& Problem() const { return problem_; }
  const std::string& Address() const { return address_; }
  // "NAME=VALUE" entries that put a program on this bus and its keyring.
  std::vector<std::string> Environment() const;

 private:
  bool SecretsOwned() const;

  std::filesystem::path dir_;
  std::string address_;
  std::string missing_;
  std::string problem_;
  pid_t busPid_ = -1;
  pid_t keyringPid_ = -1;
};

}  // namespace kelbrin::test
