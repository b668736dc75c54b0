#include "app/entry/AddressHistoryPlace.h"

#include "app/commands/ServiceSetup.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {

std::optional<std::filesystem::path> AddressHistoryFile(
    const eventlog::AddressHistory::Environment& environment) {
  const std::optional<std::string> stateDirectory = environment("STATE_DIRECTORY");
  const bool underUnit = stateDirectory && !stateDirectory->empty();
  if (!underUnit && settings::UsesMachineSettings()) {
    return std::filesystem::path(kSystemStateRoot) / kServiceStateFolder /
           eventlog::AddressHistory::kFileName;
  }
  const std::filesystem::path folder = eventlog::AddressHistory::DefaultFolder(environment);
  if (folder.empty()) return std::nullopt;
  return folder / eventlog::AddressHistory::kFileName;
}

}  // namespace kelbrin::app
