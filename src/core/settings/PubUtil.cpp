#include "settings/PubUtil.h"

#include <mutex>
#include <stdexcept>
#include <system_error>

#include "platform/files/ConfigHome.h"
#include "platform/files/KeyValueStore.h"
#include "platform/files/TextTrim.h"
#include "runtime/Translate.h"

namespace kelbrin::settings {
namespace {

constexpr char kStoreFileName[] = "settings.ini";

std::mutex rootLock;
std::filesystem::path rootOverride;

platform::KeyValueStore Store() { return platform::KeyValueStore(SettingsFile()); }

// Blanks and control characters, the bytes a read drops at both ends.
bool IsTrimmed(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= ' ' || byte == 0x7f;
}

}  // namespace

std::string TrimSettingText(const std::string& text) {
  return std::string(platform::TrimmedWhere(text, IsTrimmed));
}

void SetConfigRoot(std::filesystem::path dir) {
  std::lock_guard lock(rootLock);
  rootOverride = std::move(dir);
}

std::filesystem::path ConfigRoot() {
  {
    std::lock_guard lock(rootLock);
    if (!rootOverride.empty()) return rootOverride;
  }
  if (platform::RunsAsRoot()) return MachineConfigRoot();
  return platform::UserConfigHome() / "kelbrin-client";
}

std::filesystem::path MachineConfigRoot() { return "/etc/kelbrin-client"; }

bool UsesMachineSettings() {
  return (ConfigRoot() / "").lexically_normal() == (MachineConfigRoot() / "").lexically_normal();
}

std::filesystem::path SettingsFile() { return ConfigRoot() / kStoreFileName; }

std::string TPubUtil::ReadRegString(const std::string& name) {
  try {
    return TrimSettingText(Store().Read(name).value_or(std::string()));
  } catch (const std::exception&) {
    return {};  // only allocation can fail here; a read never raises
  }
}

void TPubUtil::WriteRegString(const std::string& name, const std::string& text) {
  platform::KeyValueStore store = Store();
  try {
    store.Write(name, text);
  } catch (const std::exception& error) {
    throw SettingsError(runtime::Translate("Cannot save the setting \"%1\" in %2: %3",
                                           {name, store.File().string(), error.what()}));
  }
}

void TPubUtil::WriteRegStrings(const std::map<std::string, std::string>& values) {
  platform::KeyValueStore store = Store();
  try {
    store.WriteAll(values);
  } catch (const std::exception& error) {
    throw SettingsError(runtime::Translate("Cannot save the settings in %1: %2",
                                           {store.File().string(), error.what()}));
  }
}

}  // namespace kelbrin::settings
