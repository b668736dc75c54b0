#pragma once

#include <chrono>

#include "platform/secrets/SecretStore.h"

namespace kelbrin::platform {

// Secrets in the desktop's keyring through the Secret Service API (GNOME Keyring, KWallet,
// KeePassXC) on the session bus, spoken with sd-bus: no toolkit and no glib, and nothing held
// between two calls (each opens the bus and closes it again), so the running service pays
// nothing for it while idle. An item is found by its attributes: the application's name and
// the account ("account" for the client's account, "line-account" for the line's). The secret
// crosses the bus with the "plain" algorithm: the session bus is the user's own, and whoever can
// read it can read the process as well.
class SecretServiceStore : public SecretStore {
 public:
  // `promptBound`: how long an unlock prompt may wait for the user before it counts as declined.
  // A declined prompt is not shown again in the same run: the keyring counts as locked.
  explicit SecretServiceStore(SecretKind kind = SecretKind::Account,
                              std::chrono::seconds promptBound = std::chrono::seconds(120));

  SecretPlace Place() const override { return {Translatable("the Secret Service"), {}}; }
  std::optional<std::string> Load(const std::string& account) override;
  void Save(const std::string& account, const std::string& secret) override;
  void Remove(const std::string& account) override;

 private:
  SecretKind kind_;
  std::chrono::seconds promptBound_;
};

}  // namespace kelbrin::platform
