#include "app/entry/RootOptions.h"

#include "app/entry/DialUpEnvironment.h"
#include "app/entry/EnvironmentAccount.h"
#include "app/entry/PlatformAddressWatch.h"
#include "eventlog/AddressHistory.h"

namespace kelbrin::app {

client::ClientOptions RootOptions(const runtime::Pace& pace, const std::string& endpoint) {
  client::ClientOptions options;
  options.pace = pace;
  options.endpoint = endpoint;
  options.settingsBackend = &ClientSettingsBackend();
  options.watchAddresses = PlatformAddressWatch();
  options.dialUp = DialUpSetupFromEnvironment();
  const std::filesystem::path folder = eventlog::AddressHistory::DefaultFolder();
  if (!folder.empty()) options.addressHistory = folder / eventlog::AddressHistory::kFileName;
  return options;
}

}  // namespace kelbrin::app
