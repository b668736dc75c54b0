#pragma once

#include <chrono>
#include <filesystem>
#include <vector>

#include "platform/secrets/SecretStore.h"

namespace kelbrin::platform {

// The system service's secret as a systemd credential: `systemd-creds encrypt` seals it with the
// machine's key (and its TPM when it has one) into FOLDER/NAME (one NAME for each kind of
// secret), and the unit loads it with
// `LoadCredentialEncrypted=NAME`, which finds it there (/etc/credstore.encrypted is one of the
// folders systemd searches). The unit's process reads it from $CREDENTIALS_DIRECTORY/NAME until
// the sealed file is written again (by the service itself, or by root before a reload), and
// then decrypts the file as any other process of root does, with `systemd-creds decrypt`. The credential holds
// the account with the secret, so a credential left from another account is never taken.
// The secret reaches systemd-creds on a pipe, never in argv or the environment.
class SystemdCredentialStore : public SecretStore {
 public:
  static constexpr char kDefaultFolder[] = "/etc/credstore.encrypted";
  // The credential's NAME for the kind of secret it holds.
  static const char* CredentialName(SecretKind kind);

  explicit SystemdCredentialStore(SecretKind kind = SecretKind::Account,
                                  std::filesystem::path folder = kDefaultFolder,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(20));

  SecretPlace Place() const override;
  std::optional<std::string> Load(const std::string& account) override;
  void Save(const std::string& account, const std::string& secret) override;
  void Remove(const std::string& account) override;

  std::filesystem::path File() const { return folder_ / name_; }

 private:
  // systemd-creds ARGS with `input` on its standard input: its standard output.
  std::string RunCreds(const std::vector<std::string>& args, const std::string& input) const;

  const char* name_;
  std::filesystem::path folder_;
  std::chrono::milliseconds timeout_;
};

}  // namespace kelbrin::platform
