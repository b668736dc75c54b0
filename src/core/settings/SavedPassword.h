#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/secrets/SecretStore.h"
#include "runtime/Translate.h"

namespace kelbrin::settings {

// A password of the settings record: its value, the value of the user name it belongs to, and
// what the log calls it.
struct PasswordValue {
  const char* name;
  const char* userName;
  const char* noun;
};
inline constexpr PasswordValue kAccountPassword{"UserPwd", "UserName",
                                                runtime::Translatable("The password")};
// The dial-up or portal line's.
inline constexpr PasswordValue kLinePassword{"LineUserPwd", "LineUserName",
                                             runtime::Translatable("The line password")};

// Keeps a password (the account's "UserPwd", the line's "LineUserPwd") out of the settings file
// whenever a secret store takes it: the desktop user's keyring, or the system service's
// encrypted credential. The rest of the record (user name, save flag, ...) stays in the file,
// and the file keeps "" in the password's place, which older versions read as no password; with
// no store, or one that fails, the password stays in the 0600 file as it always has. The log
// hears where the password is kept, once, and again only when that place changes.
class SavedPassword {
 public:
  using Values = std::map<std::string, std::string>;
  // The store to use for this call; null when there is none (the file keeps the password).
  using StoreChoice = std::function<std::unique_ptr<platform::SecretStore>()>;
  using Log = std::function<void(const std::string& line)>;

  SavedPassword(PasswordValue value, StoreChoice chooseStore, Log log);

  const PasswordValue& Value() const { return value_; }

  // The saved password of `userName`. `filed` is the file's value: when it holds one (saved
  // before a store answered) it wins and moves to the store on the next write; otherwise the
  // store's password of `userName`, or "" when it has none or cannot be reached.
  std::string Read(const std::string& userName, const std::string& filed,
                   const std::string& fileName);

  // Writes `values` with `writeFile` (one atomic replace of the settings file). A non-empty
  // password goes to the store first, keyed by the record's user name (the user name of
  // `values`, else `storedUserName`), and the file gets "" in its place; when the store does not
  // take it, the file keeps it. An empty password also forgets the store's password. The store's
  // password of a previous account goes once the file names the new one.
  void Write(Values values, const std::string& storedUserName,
             const std::function<void(const Values&)>& writeFile, const std::string& fileName);

 private:
  void Report(const std::string& place, const std::string& why = {});

  PasswordValue value_;
  StoreChoice chooseStore_;
  Log log_;
  std::mutex lock_;
  std::optional<std::string> reportedPlace_;
};

// The store of `kind` for the current settings: the system service's encrypted credential when
// it runs under its unit ($CREDENTIALS_DIRECTORY) or when root saves the machine-wide settings;
// otherwise the user's Secret Service.
std::unique_ptr<platform::SecretStore> SecretStoreForSettings(platform::SecretKind kind);

}  // namespace kelbrin::settings
