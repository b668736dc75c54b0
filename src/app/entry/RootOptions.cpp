#include "app/entry/RootOptions.h"

#include "app/entry/DialUpEnvironment.h"
#include "app/entry/EnvironmentAccount.h"
#include "app/entry/PlatformAddressWatch.h"
#include "app/entry/AddressHistoryPlace.h"

namespace kelbrin::app {

client::ClientOptions RootOptions(const runtime::Pace& pace, const std::string& endpoint) {
  client::ClientOptions options;
  options.pace = pace;
  options.endpoint = endpoint;
  options.settingsBackend = &ClientSettingsBackend();
  options.watchAddresses = PlatformAddressWatch();
  options.dialUp = DialUpSetupFromEnvironment();
  options.addressHistory = AddressHistoryFile();
  return options;
}

}  // namespace kelbrin::app
