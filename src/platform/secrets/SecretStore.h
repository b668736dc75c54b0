#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "platform/files/Translatable.h"

namespace kelbrin::platform {

// The store could not be reached, is locked and the user declined to unlock it, or refused the
// change. The message says which; it never holds the secret.
class SecretStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Which of the client's secrets a store keeps: the account's password or the line's (the
// dial-up or portal account). Each kind has its own keyring attributes and its own credential,
// so one never stands in for the other.
enum class SecretKind { Account, Line };

// Where a store keeps the secrets, for the user: an English text marked for the catalog, with %1
// standing for `value` (a file, say; empty when the text has no %1).
struct SecretPlace {
  const char* text;
  std::string value;
};

// A place outside the settings file that keeps one secret per account. Every operation throws
// SecretStoreError when the place cannot serve it.
class SecretStore {
 public:
  virtual ~SecretStore() = default;

  // Where the secrets are kept, for the log ("the Secret Service", ...).
  virtual SecretPlace Place() const = 0;
  // The secret saved for `account`; nullopt when none is.
  virtual std::optional<std::string> Load(const std::string& account) = 0;
  // Saves `secret` for `account`, replacing the one saved before.
  virtual void Save(const std::string& account, const std::string& secret) = 0;
  // Forgets the secret of `account`; nothing saved is not an error.
  virtual void Remove(const std::string& account) = 0;
};

}  // namespace kelbrin::platform
