#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/secrets/SecretStore.h"

namespace kelbrin::settings {

// Keeps the account password ("UserPwd") out of the settings file whenever a secret store takes
// it: the desktop user's keyring, or the system service's encrypted credential. The rest of the
// record (user name, save flag, ...) stays in the file; with no store, or one that fails, the
// password stays in the 0600 file as it always has. The log hears where the password is kept,
// once, and again only when that place changes.
class SavedPassword {
 public:
  using Values = std::map<std::string, std::string>;
  // The store to use for this call; null when there is none (the file keeps the password).
  using StoreChoice = std::function<std::unique_ptr<platform::SecretStore>()>;
  using Log = std::function<void(const std::string& line)>;

  SavedPassword(StoreChoice chooseStore, Log log);

  // The saved password of `userName`. `filed` is the file's "UserPwd": when it holds one (saved
  // before a store answered) it wins and moves to the store on the next write; otherwise the
  // store's password of `userName`, or "" when it has none or cannot be reached.
  std::string Read(const std::string& userName, const std::string& filed,
                   const std::string& fileName);

  // Writes `values` with `writeFile` (one atomic replace of the settings file). A non-empty
  // "UserPwd" goes to the store first, keyed by the record's user name ("UserName" of `values`,
  // else `storedUserName`), and the file gets "" in its place; when the store does not take it,
  // the file keeps it. An empty "UserPwd" also forgets the store's password. The store's
  // password of a previous account goes once the file names the new one.
  void Write(Values values, const std::string& storedUserName,
             const std::function<void(const Values&)>& writeFile, const std::string& fileName);

 private:
  void Report(const std::string& place, const std::string& why = {});

  StoreChoice chooseStore_;
  Log log_;
  std::mutex lock_;
  std::optional<std::string> reportedPlace_;
};

// The store for the current settings: the system service's encrypted credential when it runs
// under its unit ($CREDENTIALS_DIRECTORY) or when root saves the machine-wide settings;
// otherwise the user's Secret Service.
std::unique_ptr<platform::SecretStore> SecretStoreForSettings();

}  // namespace kelbrin::settings
