#include "settings/SavedPassword.h"

#include <cstdlib>

#include "platform/files/ConfigHome.h"
#include "platform/secrets/SecretServiceStore.h"
#include "platform/secrets/SystemdCredentialStore.h"
#include "runtime/Translate.h"
#include "settings/PubUtil.h"

namespace kelbrin::settings {
namespace {

using runtime::Translate;

std::string FilePlace(const std::string& fileName) {
  return Translate("the settings file %1", {fileName});
}

std::string StorePlace(const platform::SecretStore& store) {
  const platform::SecretPlace place = store.Place();
  return Translate(place.text, {place.value});
}

}  // namespace

SavedPassword::SavedPassword(PasswordValue value, StoreChoice chooseStore, Log log)
    : value_(value), chooseStore_(std::move(chooseStore)), log_(std::move(log)) {}

void SavedPassword::Report(const std::string& place, const std::string& why) {
  std::lock_guard lock(lock_);
  if (reportedPlace_ == place) return;
  reportedPlace_ = place;
  const std::string kept = Translate("%1 is kept in %2", {Translate(value_.noun), place});
  log_(why.empty() ? kept : kept + " (" + why + ")");
}

std::string SavedPassword::Read(const std::string& userName, const std::string& filed,
                                const std::string& fileName) {
  if (!filed.empty()) {
    Report(FilePlace(fileName));
    return filed;
  }
  const std::unique_ptr<platform::SecretStore> store = chooseStore_();
  if (!store || userName.empty()) return {};
  try {
    std::optional<std::string> password = store->Load(userName);
    if (password) Report(StorePlace(*store));
    return password.value_or(std::string());
  } catch (const platform::SecretStoreError& error) {
    Report(FilePlace(fileName), error.what());
    return {};
  }
}

void SavedPassword::Write(Values values, const std::string& storedUserName,
                          const std::function<void(const Values&)>& writeFile,
                          const std::string& fileName) {
  const auto password = values.find(value_.name);
  if (password == values.end()) {
    writeFile(values);
    return;
  }
  const auto named = values.find(value_.userName);
  // Keyed as a read finds it again: the user name as the file gives it back, trimmed.
  const std::string userName =
      TrimSettingText(named != values.end() ? named->second : storedUserName);
  const std::unique_ptr<platform::SecretStore> store = chooseStore_();
  const bool clearing = password->second.empty();
  bool stored = false;
  if (store && !clearing && !userName.empty()) {
    try {
      // A store that already holds it is not written again: the system service's credential
      // cannot be re-sealed from inside the unit's sandbox, and a keyring need not be touched.
      if (store->Load(userName) != password->second) store->Save(userName, password->second);
      password->second.clear();
      stored = true;
      Report(StorePlace(*store));
    } catch (const platform::SecretStoreError& error) {
      Report(FilePlace(fileName), error.what());
    }
  } else if (!clearing) {
    Report(FilePlace(fileName));
  }
  writeFile(values);
  // A store that just failed is not asked again (it might prompt the user a second time).
  if (!store || !(stored || clearing)) return;
  // Forgetting is best effort: the file no longer names that password, and a password the file
  // holds wins over the store's when read.
  const auto forget = [&store](const std::string& account) {
    try {
      store->Remove(account);
    } catch (const platform::SecretStoreError&) {
    }
  };
  if (clearing && !userName.empty()) forget(userName);
  if (!storedUserName.empty() && storedUserName != userName) forget(storedUserName);
}

std::unique_ptr<platform::SecretStore> SecretStoreForSettings(platform::SecretKind kind) {
  const char* unitCredentials = std::getenv("CREDENTIALS_DIRECTORY");
  const bool underUnit = unitCredentials != nullptr && *unitCredentials != '\0';
  if (underUnit || (platform::RunsAsRoot() && UsesMachineSettings())) {
    return std::make_unique<platform::SystemdCredentialStore>(kind);
  }
  return std::make_unique<platform::SecretServiceStore>(kind);
}

}  // namespace kelbrin::settings
